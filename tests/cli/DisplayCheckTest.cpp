// What the game says when it has no display to open its window on.

#include "frontend/DisplayCheck.h"

#include <QByteArray>
#include <QtGlobal>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace lilyhops {
namespace {

// Sets the three variables the check reads for the length of one test, and
// puts back what was there.
class Environment : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kNames) {
            saved_.push_back(qEnvironmentVariableIsSet(name)
                                 ? std::optional<QByteArray>(qgetenv(name))
                                 : std::nullopt);
            qunsetenv(name);
        }
    }
    void TearDown() override {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (saved_[i])
                qputenv(kNames[i], *saved_[i]);
            else
                qunsetenv(kNames[i]);
        }
    }
    static constexpr const char* kNames[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    std::vector<std::optional<QByteArray>> saved_;
};

TEST_F(Environment, NothingToOpenIsSaidBeforeQtIsTried) {
    const DisplayRequest r = displayRequest({});
    const auto line = missingDisplayLine(r);
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "lilyhops: no display to open the game's window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set); start the game from a desktop session");
}

TEST_F(Environment, AnyDisplayOrChosenPlatformLetsQtTry) {
    qputenv("DISPLAY", ":0");
    EXPECT_FALSE(missingDisplayLine(displayRequest({})));
    qunsetenv("DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_FALSE(missingDisplayLine(displayRequest({})));
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    EXPECT_FALSE(missingDisplayLine(displayRequest({})));
    qunsetenv("QT_QPA_PLATFORM");
    EXPECT_FALSE(missingDisplayLine(displayRequest({"-platform", "offscreen"})));
    EXPECT_FALSE(missingDisplayLine(displayRequest({"-display", ":3"})));
    // An empty variable names nothing.
    qputenv("DISPLAY", "");
    EXPECT_TRUE(missingDisplayLine(displayRequest({})));
}

TEST_F(Environment, QtsOptionsOutrankTheEnvironment) {
    qputenv("DISPLAY", ":0");
    qputenv("QT_QPA_PLATFORM", "xcb");
    const DisplayRequest r =
        displayRequest({"--record", "x", "-display", ":5", "-platform", "vnc"});
    EXPECT_EQ(r.display, ":5");
    EXPECT_EQ(r.platform, "vnc");
    // A trailing option without its value names nothing.
    EXPECT_EQ(displayRequest({"-display"}).display, ":0");
}

TEST(DisplayFailed, NamesWhatCouldNotBeOpened) {
    EXPECT_EQ(displayFailedLine({"", ":9", ""}),
              "lilyhops: cannot open the display \":9\"; check that the desktop session is "
              "running and that DISPLAY names it");
    EXPECT_EQ(displayFailedLine({"", "", "wayland-9"}),
              "lilyhops: cannot open the Wayland display \"wayland-9\"; check that the desktop "
              "session is running and that WAYLAND_DISPLAY names it");
    EXPECT_EQ(displayFailedLine({"", ":9", "wayland-9"}),
              "lilyhops: cannot open the display \":9\" nor the Wayland display \"wayland-9\"; "
              "check that the desktop session is running and that DISPLAY or WAYLAND_DISPLAY "
              "names it");
    EXPECT_EQ(displayFailedLine({"bogus", ":9", ""}),
              "lilyhops: the window system \"bogus\" cannot be started; leave out -platform and "
              "QT_QPA_PLATFORM to use the desktop's own");
}

} // namespace
} // namespace lilyhops
