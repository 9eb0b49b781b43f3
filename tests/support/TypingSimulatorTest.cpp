#include "tests/support/TypingSimulator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <memory>

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Builds batches with the scan codes and extended flags the layout gives.
struct Batch {
  const TableLayout& layout;
  std::vector<KeyInput> events;

  KeyInput Event(std::uint8_t key, bool up) const {
    const std::uint16_t scan = layout.ScanCode(key);
    return {key, static_cast<std::uint16_t>(scan & 0xFF), up, scan > 0xFF, false};
  }
  Batch& Down(std::uint8_t key) { return Add(Event(key, false)); }
  Batch& Up(std::uint8_t key) { return Add(Event(key, true)); }
  Batch& Tap(std::uint8_t key) { return Down(key).Up(key); }
  // The key pressed while the modifiers are held.
  Batch& With(std::initializer_list<std::uint8_t> modifiers, std::uint8_t key) {
    for (std::uint8_t m : modifiers) Down(m);
    Tap(key);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) Up(*m);
    return *this;
  }
  Batch& Unicode(char16_t unit) {
    Add({0, unit, false, false, true});
    return Add({0, unit, true, false, true});
  }
  Batch& Add(const KeyInput& e) {
    events.push_back(e);
    return *this;
  }
};

class Typing : public ::testing::Test {
 protected:
  // Plays the batch on a fresh simulator.
  TypingSimulator& Play(const LayoutTable& table, const Batch& batch, bool capsLock = false) {
    layout_ = std::make_unique<TableLayout>(table);
    sim_ = std::make_unique<TypingSimulator>(*layout_, capsLock);
    sim_->Type(batch.events);
    return *sim_;
  }
  Batch On(const LayoutTable& table) {
    layouts_.push_back(std::make_unique<TableLayout>(table));
    return Batch{*layouts_.back(), {}};
  }

 private:
  std::vector<std::unique_ptr<TableLayout>> layouts_;
  std::unique_ptr<TableLayout> layout_;
  std::unique_ptr<TypingSimulator> sim_;
};

TEST_F(Typing, ShiftAndCapsLockMakeCapitals) {
  auto b = On(UsLayout());
  b.Tap('A').With({vk::LShift}, 'B').Tap(vk::Capital).Tap('C').With({vk::RShift}, 'D').Tap(vk::Capital);
  const TypingSimulator& sim = Play(UsLayout(), b);
  EXPECT_EQ(sim.Text(), u"aBCd");
  EXPECT_THAT(sim.Faults(), IsEmpty());
}

TEST_F(Typing, GenericModifiersAreTheLeftOrRightKeyByScanCodeAndExtendedFlag) {
  auto b = On(GermanLayout());
  b.Add({vk::Shift, 0x36, false, false, false}).Tap('A').Up(vk::RShift);
  b.Add({vk::Control, 0x1D, false, true, false}).Down(vk::LMenu).Tap('Q').Up(vk::LMenu).Up(vk::RControl);
  const TypingSimulator& sim = Play(GermanLayout(), b);
  EXPECT_EQ(sim.Text(), u"A@");
  EXPECT_THAT(sim.Faults(), IsEmpty());
}

TEST_F(Typing, RightAltIsAltGrOnlyWhereTheLayoutHasAltGr) {
  auto de = On(GermanLayout());
  de.With({vk::RMenu}, 'Q').With({vk::LControl, vk::LMenu}, 'E');
  EXPECT_EQ(Play(GermanLayout(), de).Text(), u"@€");

  auto us = On(UsLayout());
  us.With({vk::RMenu}, 'Q').With({vk::LControl, vk::LMenu}, 'Q').With({vk::LControl}, vk::Home);
  const TypingSimulator& sim = Play(UsLayout(), us);
  EXPECT_EQ(sim.Text(), u"");
  EXPECT_THAT(sim.Events(), ElementsAre("Alt+Q", "Ctrl+Alt+Q", "Ctrl+Home"));
  EXPECT_EQ(sim.Transcript(), u"<Alt+Q><Ctrl+Alt+Q><Ctrl+Home>");
  EXPECT_THAT(sim.Faults(), IsEmpty());
}

TEST_F(Typing, CtrlWithALetterTypesAControlCharacter) {
  auto b = On(FrenchLayout());
  b.With({vk::LControl}, 'A').Tap(vk::Return).With({vk::LControl}, vk::Return).Tap(vk::Tab);
  EXPECT_EQ(Play(FrenchLayout(), b).Text(), u"\u0001\r\n\t");
}

TEST_F(Typing, DeadKeysCombineWithTheNextCharacter) {
  auto b = On(GermanLayout());
  b.Tap(vk::Oem5).Tap('E');                           // ^ e
  b.Tap(vk::Oem6).With({vk::LShift}, 'A');            // ´ A
  b.With({vk::LShift}, vk::Oem6).Tap(vk::Space);      // ` blank
  b.Tap(vk::Oem5).Tap('X');                           // ^ x does not combine
  b.Tap(vk::Oem5).Tap(vk::Oem5);                      // ^ ^
  b.Tap(vk::Oem5).Tap(vk::F1 + 8).Tap('O');               // a key typing nothing keeps the accent waiting
  const TypingSimulator& sim = Play(GermanLayout(), b);
  EXPECT_EQ(sim.Text(), u"êÁ`^x^^ô");
  EXPECT_EQ(sim.Transcript(), u"êÁ`^x^^<F9>ô");
  EXPECT_THAT(sim.Faults(), IsEmpty());
}

TEST_F(Typing, CapsLockFollowsTheLayoutsRules) {
  auto ch = On(SwissGermanLayout());
  ch.Tap(vk::Oem1).With({vk::LShift}, vk::Oem1).With({vk::RMenu}, vk::Oem1).Tap(vk::Oem3).Tap('U');
  EXPECT_EQ(Play(SwissGermanLayout(), ch, true).Text(), u"ÜÈ[Ü");

  auto fr = On(FrenchLayout());
  fr.Tap('1').Tap('2').With({vk::RMenu}, '0').Tap('A');
  EXPECT_EQ(Play(FrenchLayout(), fr, true).Text(), u"12@A");
}

TEST_F(Typing, UnicodeEventsTypeTheirUnit) {
  auto b = On(UsLayout());
  b.Unicode(u'é').Tap('A').Unicode(0xD83D).Unicode(0xDE00);
  const TypingSimulator& sim = Play(UsLayout(), b);
  EXPECT_EQ(sim.Text(), u"éa\U0001F600");
  EXPECT_THAT(sim.Faults(), IsEmpty());
}

TEST_F(Typing, FaultsNameWhatABatchLeftWrong) {
  auto b = On(GermanLayout());
  b.Up('B');                                                   // released without a press
  b.Down('C').Down('C').Up('C');                               // pressed twice
  b.Tap(vk::Capital);                                          // Caps Lock changed
  b.Add({vk::Left, 0x4B, false, false, false}).Up(vk::Left);   // arrow without the extended flag
  b.Tap(vk::Oem102).Add({0, u'x', true, false, true});         // Unicode release without a press
  b.Tap(vk::Oem6).Unicode(u'e');                               // Unicode while a dead key waits
  b.Tap(vk::Oem8);                                             // not a key of the German layout
  b.Tap(vk::Oem5);                                             // dead key left waiting
  b.Down(vk::LShift);                                          // Shift left down
  const TypingSimulator& sim = Play(GermanLayout(), b);
  EXPECT_THAT(sim.Faults(),
              ElementsAre("B released without a press", "C pressed again while down",
                          "Left sent with scan 0x4B, the layout has 0xE04B", "Unicode 0x0078 released without a press",
                          "Unicode 0x0065 typed while dead key ´ waits", "VK_DF is not a key of the German layout",
                          "VK_DF is not a key of the German layout", "LShift left down at the end of the batch",
                          "Caps Lock on at the end of the batch, off at its start",
                          "dead key ^ still waiting at the end of the batch"));
  EXPECT_EQ(sim.Transcript(), u"cc<Left><´e<VK_DF>");
}

TEST_F(Typing, StateCarriesFromOneBatchToTheNext) {
  auto first = On(UkLayout());
  first.Down(vk::LShift).Tap('2');
  auto second = On(UkLayout());
  second.Tap('2').Up(vk::LShift).Tap('2');
  const TableLayout uk(UkLayout());
  TypingSimulator sim(uk, false);
  sim.Type(first.events);
  EXPECT_THAT(sim.Faults(), ElementsAre("LShift left down at the end of the batch"));
  sim.Type(second.events);
  EXPECT_EQ(sim.Text(), u"\"\"2");
  EXPECT_EQ(sim.Faults().size(), 1u);
}

}  // namespace
}  // namespace tolvane::test
