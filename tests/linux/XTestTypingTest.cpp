// The parts of XTest typing that need no X server: when a spare key code may be bound to another
// character, and a batch an output cannot finish.
#include <gmock/gmock.h>

#include <algorithm>

#include "linux/SpareCodes.h"
#include "linux/TypingEngine.h"

namespace tolvane::posix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr SpareCodes::Window kLogger = 0x400001, kOther = 0x600001;

// Binds the character to the code Choose gives and types it; the code.
unsigned TypeNew(SpareCodes& spares, char16_t c, SpareCodes::Window window) {
  const unsigned code = spares.Choose();
  if (code) {
    spares.Bind(code, c);
    spares.Typed(code, window);
  }
  return code;
}

TEST(SpareCodes, ACodeGoesToAnotherCharacterOnlyOnceItsWindowHasReadIt) {
  SpareCodes spares;
  spares.Reset({200, 201});
  spares.Begin(u"ab");
  const unsigned a = TypeNew(spares, u'a', kLogger), b = TypeNew(spares, u'b', kLogger);
  ASSERT_TRUE(a && b && a != b);

  spares.Begin(u"c");  // the window may not have read a or b yet
  EXPECT_EQ(spares.Choose(), 0u);
  EXPECT_EQ(spares.Free(), 0u);
  EXPECT_THAT(spares.Unpinged(), ElementsAre(kLogger));
  spares.Pinged(kLogger, 7);
  EXPECT_THAT(spares.Unpinged(), IsEmpty());
  spares.Answered(kOther, 7);   // another window's word says nothing of these keys
  spares.Answered(kLogger, 6);  // nor an answer to an earlier ping
  EXPECT_EQ(spares.Choose(), 0u);
  spares.Answered(kLogger, 7);
  EXPECT_EQ(spares.Choose(), a) << "the least recently used";
  EXPECT_EQ(spares.Find(u'b'), b) << "a character keeps its code while it is not needed";

  // Keys after a ping wait for a later one.
  spares.Begin(u"b");
  spares.Typed(b, kLogger);
  spares.Pinged(kLogger, 8);
  spares.Typed(a, kLogger);
  spares.Answered(kLogger, 8);
  EXPECT_EQ(spares.Choose(), b);
  EXPECT_THAT(spares.Awaited(), IsEmpty()) << "the key after the ping is not pinged yet";
  EXPECT_THAT(spares.Unpinged(), ElementsAre(kLogger));

  // A window that is gone reads nothing more.
  spares.Pinged(kLogger, 9);
  EXPECT_THAT(spares.Awaited(), ElementsAre(std::make_pair(kLogger, 9ul)));
  spares.Gone(kLogger);
  EXPECT_THAT(spares.Awaited(), IsEmpty());
  EXPECT_EQ(spares.Free(), 1u) << "b is the batch's own";
}

// A window that cannot say: an empty code first, then the least recently used, never one the
// batch has used.
TEST(SpareCodes, WithoutAWordFromTheWindow) {
  SpareCodes spares;
  spares.Reset({200, 201, 202});
  spares.Begin(u"ab");
  const unsigned a = TypeNew(spares, u'a', 0), b = TypeNew(spares, u'b', 0);
  spares.Begin(u"cde");
  const unsigned c = TypeNew(spares, u'c', 0);
  EXPECT_NE(c, a);
  EXPECT_NE(c, b);
  EXPECT_EQ(TypeNew(spares, u'd', 0), a);
  EXPECT_EQ(TypeNew(spares, u'e', 0), b);
  EXPECT_EQ(spares.Choose(), 0u) << "every code is the batch's";
  EXPECT_THAT(spares.Unpinged(), IsEmpty());

  // Codes of the batch's characters are taken last.
  spares.Begin(u"ce");
  EXPECT_EQ(spares.Choose(), a);
  EXPECT_EQ(spares.Free(), 1u);
}

// An output that binds characters and cannot bind one: what reaches it, keys by their keycodes.
struct Refusing : KeyOutput, SystemKeyState {
  bool BindsCharacters() const override { return true; }
  bool Prepare(const std::u16string&, std::string&) override { return true; }
  bool Character(char16_t c) override {
    events.push_back("U+" + std::to_string(c));
    return c != refused;
  }
  void Key(xkb_keycode_t code, bool down) override { events.push_back((down ? "+" : "-") + std::to_string(code)); }
  void Flush() override { events.push_back("flush"); }
  std::int16_t GetKeyState(std::uint8_t) const override { return 0; }
  std::vector<std::string> events;
  char16_t refused = 0;
};

TEST(LinuxTyping, ABatchStoppedMidwayLetsGoOfItsKeys) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = KeymapFromNames(context, "us", "");
  {
    const XkbLayout us(keymap);
    Refusing out;
    out.refused = 0xA4;  // the second of two characters us lacks, under a Shift the text holds
    TypingEngine engine("xtest", us, out, out);
    EXPECT_FALSE(engine.sendKeys().SendBatch({"+(a\xA7\xA4z)x"}, true).delivered);
    const std::string shift = std::to_string(us.KeyCode(vk::Shift));
    const auto at = [&](const std::string& e) {
      return std::find(out.events.begin(), out.events.end(), e) - out.events.begin();
    };
    EXPECT_LT(at("+" + shift), at("U+167"));
    EXPECT_EQ(at("U+164") + 1, at("-" + shift)) << "Shift let go at once";
    EXPECT_EQ(out.events.back(), "flush");
    EXPECT_EQ(at("+" + std::to_string(us.KeyCode('Z'))), static_cast<long>(out.events.size()))
        << "nothing after the character";
  }
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
}

}  // namespace
}  // namespace tolvane::posix
