// The policies the main window follows: when repaint rounds run, and what
// its keys and sizes mean to the panel (the hidden buttons' keys among them).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/fake_panel_ports.h"
#include "window_rules/panel_input.h"
#include "window_rules/repaint_pacer.h"

namespace vestrel {
namespace {

using namespace testing;
using Ask = RepaintPacer::Ask;
using Request = RepaintPacer::Request;

// A round that carries something and takes roundMs of the clock.
void RunRound(RepaintPacer& pacer, FakeClock& clock, std::int64_t roundMs = 0) {
  const RepaintPacer::Start start = pacer.RoundStarts();
  clock.AdvanceMilliseconds(roundMs);
  pacer.RoundCarried(start.BeganNs);
}

TEST(RepaintPacer, AChangeAfterAQuietSpellIsCarriedAtOnceAndOneWithinTheFrameWhenItEnds) {
  FakeClock clock;
  RepaintPacer pacer(clock);
  EXPECT_EQ(pacer.Changed(true), Request{Ask::Post});
  EXPECT_EQ(pacer.Changed(true), Request{});  // the posted round carries it too
  RunRound(pacer, clock, 1);
  clock.AdvanceMilliseconds(4);
  EXPECT_EQ(pacer.Changed(true), (Request{Ask::Timer, 10}));
  EXPECT_EQ(pacer.Changed(false), Request{});
  clock.AdvanceMilliseconds(10);
  EXPECT_TRUE(pacer.RoundStarts().StopTimer);
  clock.AdvanceMilliseconds(100);
  EXPECT_EQ(pacer.Changed(false), Request{Ask::Post});  // a quiet spell again
}

TEST(RepaintPacer, AFloodSpacesRoundsByThePaintBudgetBetweenTwoFramesAndTheLongestInterval) {
  FakeClock clock;
  RepaintPacer pacer(clock);
  const auto flood = [&](std::int64_t roundMs) {
    for (int i = 0; i <= RepaintPacer::kFloodCaptions; ++i) {
      pacer.Changed(true);
    }
    RunRound(pacer, clock, roundMs);
    return pacer.IntervalMs();
  };
  EXPECT_EQ(flood(0), RepaintPacer::kFloodFrameMs);  // cheap rounds: two frames
  int interval = 0;
  for (int i = 0; i < 20; ++i) {
    interval = flood(5);  // 5 ms a round: 300 ms wanted, held at the longest
  }
  EXPECT_EQ(interval, RepaintPacer::kLongestRoundInterval);
  pacer.Changed(true);  // a trickle: a frame apart again
  RunRound(pacer, clock);
  EXPECT_EQ(pacer.IntervalMs(), RepaintPacer::kFrameMs);
}

// Under a backlog of posted pokes the window's timer never fires: a change
// that finds its round overdue asks for a posted one, so rounds stay within
// the interval plus one poke.
TEST(RepaintPacer, RoundsStayWithinTheIntervalWhileTheTimerIsStarvedByPostedMessages) {
  FakeClock clock;
  RepaintPacer pacer(clock);
  std::vector<std::int64_t> roundsAtMs;
  bool roundPosted = false;
  for (int poke = 0; poke < 2000; ++poke) {
    clock.AdvanceMilliseconds(1);  // one poke a millisecond, the queue never empty
    if (roundPosted) {
      roundPosted = false;
      roundsAtMs.push_back(clock.Monotonic / 1000);
      RunRound(pacer, clock);
    }
    if (pacer.Changed(true).What == Ask::Post) {
      roundPosted = true;  // handled after this poke, before the next
    }
  }
  ASSERT_GT(roundsAtMs.size(), 30U);
  for (std::size_t i = 1; i < roundsAtMs.size(); ++i) {
    EXPECT_LE(roundsAtMs[i] - roundsAtMs[i - 1], RepaintPacer::kLongestRoundInterval + 1);
  }
}

// Behind an endless backlog even the posted round waits: the change that
// finds it held up a frame past its time carries the round itself.
TEST(RepaintPacer, APostedRoundHeldUpBehindABacklogIsRunByTheNextChange) {
  FakeClock clock;
  RepaintPacer pacer(clock);
  EXPECT_EQ(pacer.Changed(true), Request{Ask::Post});  // after a quiet spell
  EXPECT_EQ(pacer.Changed(true), Request{});           // the same poke's next caption
  clock.AdvanceMilliseconds(RepaintPacer::kPostedGraceMs);
  EXPECT_EQ(pacer.Changed(true), Request{Ask::RunNow});
  RunRound(pacer, clock);
  // In a flood: posted when due, run by the first change a frame past that.
  clock.AdvanceMilliseconds(RepaintPacer::kFrameMs + 3);
  EXPECT_EQ(pacer.Changed(true), Request{Ask::Post});
  clock.AdvanceMilliseconds(RepaintPacer::kFrameMs - 4);
  EXPECT_EQ(pacer.Changed(true), Request{});
  clock.AdvanceMilliseconds(1);
  EXPECT_EQ(pacer.Changed(true), Request{Ask::RunNow});
}

TEST(RepaintPacer, AWindowThatCannotAskForARoundCarriesAtOnceAndAsksAgainNextTime) {
  FakeClock clock;
  RepaintPacer pacer(clock);
  EXPECT_EQ(pacer.Changed(true), Request{Ask::Post});
  pacer.AskFailed();
  RunRound(pacer, clock);
  EXPECT_EQ(pacer.Changed(true).What, Ask::Timer);
  pacer.AskFailed();
  EXPECT_EQ(pacer.Changed(true).What, Ask::Timer);
}

// The whole panel behind its window's input.
struct InputRig : FakePanelPorts {
  PanelInput input{panel};

  explicit InputRig(const char* compact) {
    profile.Values["Main/Compact"] = compact;
    profile.Values.insert({{"Hotkeys/BestBid", "F2"},
                           {"Hotkeys/MaxBid", "F4"},
                           {"Hotkeys/Reverse", "F5"},
                           {"Hotkeys/Kill", "Ctrl+K"}});
  }
  void Start() {
    ASSERT_TRUE(panel.Start());
    input.Started();
    // Shown at the designed size: the layout applies.
    input.Sized(PanelInput::SizeKind::Restored, {6480, 3150}, {6360, 2730});
    PokeBook({{5, 103, 0}, {2, 101, 0}, {0, 100, 4}, {0, 99, 1}});
  }
};

constexpr KeyChord kF2{0x71};
constexpr KeyChord kF4{0x73};
constexpr KeyChord kF5{0x74};
constexpr KeyChord kCtrlK{0x4B, true};

TEST(PanelInput, KeysCountOnceStartedAndSystemKeysNotWhileAMessageBoxHoldsTheWindow) {
  InputRig rig("0");
  ASSERT_TRUE(rig.panel.Start());
  EXPECT_FALSE(rig.input.KeyDown(kCtrlK, false));  // still starting
  rig.input.Started();
  rig.input.SystemKey(kCtrlK, false);
  EXPECT_TRUE(rig.library.Sent.empty());
  EXPECT_FALSE(rig.input.KeyDown(KeyChord{0x09}, false));  // Tab: dialog navigation's
  EXPECT_TRUE(rig.input.KeyDown(kCtrlK, false));
  rig.input.SystemKey(kCtrlK, true);
  EXPECT_EQ(rig.library.Sent.size(), 2U);
}

TEST(PanelInput, SizesBeforeStartAreTheWindowsOwnAndAMinimisedClientAreaIsNotKept) {
  InputRig rig("0");
  rig.input.Sized(PanelInput::SizeKind::Restored, {6480, 3150}, {6360, 2730});
  ASSERT_TRUE(rig.panel.Start());
  rig.input.Started();
  EXPECT_FALSE(rig.panel.Window().OuterSize().has_value());
  rig.input.Sized(PanelInput::SizeKind::Minimized, {0, 0}, {0, 0});
  EXPECT_EQ(rig.panel.Window().CurrentWindowState(), WindowState::Minimized);
  EXPECT_EQ(rig.panel.Window().ClientSize(), (TwipsSize{6360, 2730}));
  rig.input.Sized(PanelInput::SizeKind::Restored, {5000, 3000}, {4880, 2580});
  EXPECT_EQ(rig.panel.Window().CurrentWindowState(), WindowState::Normal);
  EXPECT_EQ(rig.panel.Window().OuterSize(), (TwipsSize{5000, 3000}));
  EXPECT_EQ(rig.panel.Window().ClientSize(), (TwipsSize{4880, 2580}));
}

// An order at a price or on a side the trader cannot see is a trap: the key
// of a hidden button, or of one outside the window, sends nothing and says so.
TEST(PanelInput, AKeyOfAButtonNotOnScreenSendsNothingAndSaysSo) {
  InputRig rig("1");
  rig.Start();
  EXPECT_TRUE(rig.input.KeyDown(kF4, false));  // cmdMaxBid, hidden
  EXPECT_TRUE(rig.input.KeyDown(kF5, false));  // cmdReverse, beyond the compact window
  EXPECT_TRUE(rig.library.Sent.empty());
  EXPECT_EQ(rig.LogLines(),
            (std::vector<std::string>{
                "Key F4 not acted on (cmdMaxBid): the button is not on screen in the compact "
                "layout",
                "Key F5 not acted on (cmdReverse): the button is not on screen in the compact "
                "layout"}));
  EXPECT_TRUE(rig.input.KeyDown(kF2, false));  // cmdBestBid is on screen
  EXPECT_TRUE(rig.input.KeyDown(kCtrlK, false));
  EXPECT_EQ(rig.library.Sent.size(), 2U);
}

TEST(PanelInput, InTheFullLayoutAButtonTheTraderSizedAwayDoesNotTradeButKillAlwaysActs) {
  InputRig rig("0");
  rig.Start();
  rig.input.Sized(PanelInput::SizeKind::Restored, {2000, 1500}, {1880, 1080});
  rig.input.KeyDown(kF2, false);
  rig.input.KeyDown(kCtrlK, false);  // Kill trades at no price
  EXPECT_EQ(rig.LogLines().front(),
            "Key F2 not acted on (cmdBestBid): the button is not on screen");
  ASSERT_EQ(rig.library.Sent.size(), 1U);
  EXPECT_NE(rig.library.Sent[0].find("KILL_ALL_FUTURES_ORDERS"), std::string::npos);
  rig.input.Sized(PanelInput::SizeKind::Restored, {6480, 3150}, {6360, 2730});
  rig.input.KeyDown(kF2, false);
  EXPECT_EQ(rig.library.Sent.size(), 2U);
}

}  // namespace
}  // namespace vestrel
