// The uinput output end to end without a kernel: what the engine writes, through the model
// device and an evdev reader, turned into text as an application would.
#include <gmock/gmock.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/linux/UinputBed.h"

namespace tolvane::posix::test {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

// The printable characters of the first 256.
std::u16string Printable() {
  std::u16string all;
  for (char16_t c = 0x20; c <= 0xFF; ++c)
    if (c < 0x7F || c >= 0xA0) all += c;
  return all;
}

std::vector<input_event> Since(const std::vector<Stamped>& passed, std::size_t& from) {
  std::vector<input_event> events;
  for (; from < passed.size(); ++from) events.push_back(passed[from].event);
  return events;
}

// Raw events written to a model device, as the output would write them.
void Write(int fd, std::initializer_list<std::pair<std::uint16_t, std::int32_t>> keys) {
  for (const auto& [code, value] : keys) {
    input_event e[2]{};
    e[0].type = EV_KEY;
    e[0].code = code;
    e[0].value = value;
    e[1].type = EV_SYN;
    ASSERT_EQ(::write(fd, e, sizeof e), static_cast<ssize_t>(sizeof e));
  }
}

// The bed itself: the kernel's rules, the reader's buffer and the application's composing, each
// shown to act on a case made for it.
TEST(UinputBed, ModelsTheKernelAndTheApplication) {
  FakeClock clock;
  ModelDevice device(clock);
  const int out = device.TakeOutputEnd();
  Write(out, {{KEY_LEFTSHIFT, 0}, {KEY_A, 1}, {KEY_A, 1}, {KEY_A, 0}, {KEY_A, 0}, {300, 1}});
  device.Take();
  ASSERT_EQ(device.written.size(), 12u);
  ASSERT_EQ(device.passed.size(), 4u) << "a release of a key up, a press of a key down, a key the device lacks, and "
                                         "the empty packets they leave pass nothing";
  EXPECT_THAT(device.down, IsEmpty());
  Write(out, {{KEY_LEFTSHIFT, 1}});
  device.Take();
  EXPECT_EQ(device.down, std::set<std::uint16_t>{KEY_LEFTSHIFT}) << "a key left down";

  // 31 packets waiting fit the 64-event buffer; 32 do not, and the reader finds SYN_DROPPED.
  const auto packets = [](int n, std::int64_t apart) {
    std::vector<Stamped> passed;
    for (int i = 0; i < n; ++i) {
      input_event key{}, syn{};
      key.type = EV_KEY;
      key.code = KEY_A;
      key.value = (i + 1) % 2;
      syn.type = EV_SYN;
      passed.push_back({i * apart, key});
      passed.push_back({i * apart, syn});
    }
    return passed;
  };
  EXPECT_EQ(Dropped(ReadEvery(packets(31, 0), 16000, 1)), 0);
  EXPECT_EQ(Dropped(ReadEvery(packets(32, 0), 16000, 1)), 1);
  EXPECT_EQ(ReadEvery(packets(32, 0), 16000, 1).size(), 2u) << "the drop and the newest event";
  EXPECT_EQ(Dropped(ReadEvery(packets(32, 1000), 32000, 0)), 1) << "32 packets a millisecond apart fill 32 ms";
  EXPECT_EQ(Dropped(ReadEvery(packets(500, 1000), 31000, 0)), 0);
  EXPECT_EQ(ReadEvery(packets(500, 1000), 16000, 0).size(), 1000u);

  // The application composes: dead acute and e, dead acute and blank (an apostrophe, not the
  // accent), Caps Lock on letters.
  Screen de("de");
  for (const std::uint32_t key : {KEY_EQUAL, KEY_E, KEY_EQUAL, KEY_SPACE, KEY_A}) {
    de.Key(key, true);
    de.Key(key, false);
  }
  EXPECT_EQ(de.text, "\u00E9'a");
  Screen locked("de", true);
  locked.Key(KEY_A, true);
  EXPECT_EQ(locked.text, "A");
}

struct Typist {
  explicit Typist(const char* layout, bool capsLock) : bed(layout), screen(layout, capsLock) {
    if (capsLock) bed.device.SetCapsLockLight(true);
  }
  // One batch; what it added on the screen, or "refused" with nothing written.
  std::string Type(const std::string& text) {
    const std::size_t written = bed.device.written.size();
    ::testing::internal::CaptureStderr();
    const bool delivered = bed.Type(text);
    said = ::testing::internal::GetCapturedStderr();
    if (!delivered) return bed.device.written.size() == written ? "refused" : "refused, but written";
    const std::size_t before = screen.text.size();
    screen.Read(Since(bed.device.passed, read));
    return screen.text.substr(before);
  }
  UinputBed bed;
  Screen screen;
  std::size_t read = 0;
  std::string said;  // on standard error by the last batch
};

// Every printable character of the first 256, on its own, arrives as itself, or its batch is
// refused whole, and nothing is left down; then all those typed, in one batch, reach a reader
// that reads once per 16 ms frame.
TEST(UinputTyping, EveryCharacterArrivesIntactOrIsRefused) {
  for (const char* layout : {"us", "gb", "de", "fr", "ch", "jp"}) {
    for (const bool capsLock : {false, true}) {
      Typist typist(layout, capsLock);
      std::string typed, refused, all;
      for (const char16_t c : Printable()) {
        const std::string shown = typist.Type(Literal(c));
        if (shown == "refused") {
          refused += Utf8(c);
          continue;
        }
        EXPECT_EQ(shown, Utf8(c)) << layout << (capsLock ? " with Caps Lock" : "");
        EXPECT_THAT(typist.bed.device.down, IsEmpty()) << layout << " after " << Utf8(c);
        typed += Utf8(c);
        all += Literal(c);
      }
      std::printf("%s%s: cannot be typed: [%s]\n", layout, capsLock ? " with Caps Lock" : "", refused.c_str());

      Typist whole(layout, capsLock);
      ASSERT_EQ(whole.Type(all), typed) << layout;
      EXPECT_THAT(whole.bed.device.down, IsEmpty()) << layout;
      EXPECT_EQ(whole.bed.Shown(16000, 0, capsLock), typed) << layout << ", read once per 16 ms frame";
    }
  }
}

// What the layouts type with dead keys, their AltGr ones included, arrives; a spacing accent
// is its dead key twice where the blank after it would give another character.
TEST(UinputTyping, DeadKeysAndTheKeysOfEveryLayout) {
  const auto typed = [](const char* layout, const std::string& text) { return Typist(layout, false).Type(text); };
  for (const char* layout : {"de", "fr", "ch"})
    EXPECT_EQ(typed(layout, "\xE9\xE8\xE0\xEA\xE7\xEB\xEF\xFC"), "éèàêçëïü") << layout;
  EXPECT_EQ(typed("de", "\xB4`{^}"), "´`^");
  EXPECT_EQ(typed("fr", "\xA8{^}"), "¨^");
  EXPECT_EQ(typed("ch", "{~}\xB4"), "~´");
  EXPECT_EQ(typed("jp", "\\_|"), "\\_|") << "the Ro and Yen keys";
  EXPECT_EQ(typed("gb", "\xE9\xC1"), "éÁ");
  EXPECT_EQ(typed("us", "\xE9"), "refused");
}

// The user's held keys cannot be released through a keyboard of its own: the batch waits up to
// half a second for them, then is refused whole; nothing is left down on the device.
TEST(UinputTyping, KeysTheUserHolds) {
  UinputBed bed("us");
  bed.held = {vk::LShift};
  const std::int64_t start = bed.clock.now;
  bed.heldUntil = start + 200000;
  ASSERT_TRUE(bed.Type("ab{ENTER}"));
  ASSERT_FALSE(bed.device.written.empty());
  EXPECT_GE(bed.device.written.front().time, bed.heldUntil) << "typed once Shift was let go";
  EXPECT_EQ(bed.Shown(), "ab\r");
  EXPECT_THAT(bed.device.down, IsEmpty());

  bed.held = {vk::RShift, vk::LControl};
  bed.heldUntil = bed.clock.now + 10000000;
  const std::size_t written = bed.device.written.size();
  const std::int64_t asked = bed.clock.now;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(bed.Type("cd{ENTER}"));
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(bed.device.written.size(), written) << "nothing of the refused batch";
  EXPECT_EQ(bed.clock.now - asked, 500000);
  EXPECT_THAT(said, HasSubstr("right Shift and Ctrl held down"));
  EXPECT_THAT(bed.device.down, IsEmpty());
}

// Without an X server the keyboard's Caps Lock is the light the system set on the device; a
// {CAPSLOCK} in the batch changes it for the characters after it, composed ones too.
TEST(UinputTyping, CapsLockFromTheDevicesLight) {
  Typist on("de", true);
  EXPECT_EQ(on.Type("aB1\xE9\xC9"), "aB1éÉ");
  EXPECT_EQ(on.Type("{CAPSLOCK}a\xE9{CAPSLOCK}a\xE9"), "aéaé");
  Typist off("de", false);
  EXPECT_EQ(off.Type("{CAPSLOCK}\xE9\xC9x{CAPSLOCK}\xE9\xC9x"), "éÉxéÉx");
  off.bed.device.SetCapsLockLight(true);
  off.bed.device.SetCapsLockLight(false);
  EXPECT_EQ(off.Type("aB"), "aB") << "the last light set says";
}

// The locale's Compose table, however the locale is named; C and unknown locales have none of
// their own and take en_US.UTF-8's.
TEST(UinputTyping, TheLocalesComposeTable) {
  for (const char* locale : {"C", "POSIX", "de_CH.UTF-8", "xx_YY.UTF-8"}) {
    Typist typist("de", false);
    setenv("LC_ALL", locale, 1);
    EXPECT_EQ(typist.Type("\xE9"), "é") << locale;
  }
  setenv("LC_ALL", "en_US.UTF-8", 1);
}

// The pace of the writes: a reader reading once per 16 ms frame, or even once per 30 ms, keeps
// up with a long record at any phase. The rates printed are those the pace gives.
TEST(UinputTyping, AReaderKeepsUpWithALongRecord) {
  UinputBed bed("de");
  std::string text, shown;
  const int characters = 100 * 22;
  for (int i = 0; i < 100; ++i) {
    text += "Tolvane 0123456789 \xE9\xE8 ";
    shown += "Tolvane 0123456789 éè ";
  }
  const std::int64_t start = bed.clock.now;
  ASSERT_TRUE(bed.Type(text));
  const std::int64_t took = bed.device.written.back().time - start;
  for (const std::int64_t period : {16000, 30000}) {
    for (std::int64_t phase = 0; phase < period; phase += 250) {
      const auto read = ReadEvery(bed.device.passed, period, phase);
      ASSERT_EQ(Dropped(read), 0) << "every " << period << " µs, from " << phase;
      Screen screen("de");
      screen.Read(read);
      ASSERT_EQ(screen.text, shown);
    }
  }
  const std::size_t keyEvents = bed.device.written.size() / 2;
  std::printf("%d characters, %zu key events: %.0f ms (%.0f characters/s, %.0f key events/s)\n", characters, keyEvents,
              took / 1000.0, characters * 1e6 / took, keyEvents * 1e6 / took);
  UinputBed plain("us");
  const std::int64_t plainStart = plain.clock.now;
  ASSERT_TRUE(plain.Type(std::string(1000, 'a')));
  std::printf("1,000 lower-case letters: %.0f ms\n", (plain.device.written.back().time - plainStart) / 1000.0);
}

}  // namespace
}  // namespace tolvane::posix::test
