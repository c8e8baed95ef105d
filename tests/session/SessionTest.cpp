// A user's session on X11: the programs run on a private Xvfb against a private virtual mouse,
// started as ./scripts/run.sh starts them, and are driven only through X input (XTest) and
// observed only from outside (the X window tree, screen pixels, `mousectl show`). Every step
// leaves a screenshot in the build folder's session-shots/ folder; a passing run removes them.

#include "tests/session/SessionFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

// Xlib after the other headers: its macros must not meet them.
#include "tests/support/XKeyboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

using namespace sessiontest;

// Names typed on the way, as mousectl prints them (UTF-8).
const std::string kRenamed = "\"B\xC3\xBCro\"";
const std::string kRussianName = "\"\xD0\x98\xD0\xB3\xD1\x80\xD0\xB0\"";

// The configurator's main window: its skin puts it at the screen's top left corner with no
// window manager to move it; these are points inside its controls.
constexpr Spot kTabButtons{75, 69};
constexpr Spot kTabPerformance{195, 69};
constexpr Spot kTabProfiles{318, 69};
constexpr Spot kTabLighting{562, 69};
constexpr Spot kApply{346, 387};
constexpr Spot kOk{486, 387};
constexpr Spot kPolling8ms{383, 293};
constexpr Spot kProfileNew{71, 309};
constexpr Spot kNameField{320, 217};
constexpr Spot kNamePopupOk{259, 268};
constexpr Spot kSecondProfileName{120, 182};
constexpr Spot kSecondProfileAuto{530, 182}; // its check box of automatic switching
constexpr Spot kTabMacros{440, 69};
constexpr Spot kMacroNew{544, 149};
constexpr Spot kMacroRecord{544, 293};
constexpr Spot kBackField{115, 301};        // the left field of the fourth button
constexpr Spot kBackListSingleKey{60, 459}; // its list's "Single Key"
constexpr Spot kForwardField{115, 263};     // the left field of the fifth button
constexpr Spot kForwardListMacro{50, 337};  // its list's "Macro"
constexpr Spot kFirstDelayRow{150, 195};    // the second row of the macro's event list
constexpr Spot kKeyPopupOk{259, 268};
constexpr Spot kScrollLightColour{460, 154};
constexpr Spot kPaletteGreen{503, 218};
constexpr Spot kLogoLightColour{430, 188};
constexpr Spot kStagesButton{524, 237};
constexpr Spot kStagesFewer{213, 293};
constexpr Spot kStagesOk{419, 336};

TEST_F(Session, ConfiguratorChangesReachTheMouse) {
    // A German keyboard: every name and path below is typed in its layout.
    ASSERT_TRUE(testsupport::SetKeyboardLayout(m_server.Name(), "de"));
    // As ./scripts/run.sh does: the installer's registry values, then the program.
    const fs::path configurator = kProgramDir / "Borvanta5600";
    ASSERT_EQ(std::system((configurator.string() + " --install-defaults").c_str()), 0);
    ASSERT_NE(MouseState().find("polling rate: 1 ms"), std::string::npos) << MouseState();
    // A system tray first, so that the tray companion the configurator starts can dock.
    ASSERT_TRUE(StartTrayHost());
    const pid_t app = Start(configurator);
    ASSERT_GT(app, 0);
    ASSERT_TRUE(WaitFor([&] { return FindWindow("Tolvi Borvanta 5600").has_value(); }, 60s))
        << "the configurator's window did not appear";
    const auto trayIcon = NextDock(30s);
    ASSERT_TRUE(trayIcon.has_value()) << "the tray companion's icon did not dock";
    m_trayPid = ChildOf(app);
    std::this_thread::sleep_for(500ms);
    Shot("started");
    const unsigned long applyIdle = Pixel(kApply);

    // Performance: the polling rate.
    Click(kTabPerformance);
    Click(kPolling8ms);
    Shot("polling-8ms");
    EXPECT_NE(Pixel(kApply), applyIdle) << "Apply did not light up after a change";

    // Profiles: a new profile, then renamed in its row.
    Click(kTabProfiles);
    Click(kProfileNew);
    Shot("name-popup");
    Click(kNameField);
    Type("Work");
    Click(kNamePopupOk);
    Shot("profile-added");
    // The row's name, selected as its editor opens, is replaced by what is typed; Ctrl+A
    // selects it again after a Backspace.
    Click(kSecondProfileName, 2);
    Key(XK_BackSpace);
    Key(XK_a, true);
    std::this_thread::sleep_for(300ms);
    Type({XK_B, XK_udiaeresis, XK_r, XK_o});
    Shot("profile-renaming");
    Key(XK_Return);
    std::this_thread::sleep_for(300ms);
    Shot("profile-renamed");

    // The renamed profile is bound to this test program: the row menu's program choice opens the
    // chooser, whose name field takes the program's path; then its automatic switching.
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const fs::path program = self;
    const std::vector<Window> beforeMenu = ShownWindows();
    RightClick(kSecondProfileName);
    const std::optional<Window> rowMenu = NewWindow(beforeMenu, 10s);
    ASSERT_TRUE(rowMenu.has_value()) << "no row menu on a right click";
    Settle();
    Shot("row-menu");
    XWindowAttributes menuArea{};
    XGetWindowAttributes(m_x, *rowMenu, &menuArea);
    // The ninth of its ten entries assigns a program.
    Click(Spot{menuArea.x + menuArea.width / 2, menuArea.y + menuArea.height * 17 / 20});
    ASSERT_TRUE(WaitFor([&] { return !Viewable(*rowMenu); }, 10s)) << "the row menu stayed";
    const std::optional<Window> chooser = NewWindow(beforeMenu, 20s);
    ASSERT_TRUE(chooser.has_value()) << "no program chooser from the row menu";
    Settle();
    Shot("program-chooser");
    Type(program.string());
    Shot("program-typed");
    Key(XK_Return);
    ASSERT_TRUE(WaitFor([&] { return !Viewable(*chooser); }, 20s))
        << "the program chooser did not end on Return";
    Settle();
    Click(kSecondProfileAuto);
    Shot("program-bound");

    // Macros: five macros first, so that the one recorded next is the sixth, past the rows
    // the buttons page's macro sub-menu shows at once.
    Click(kTabMacros);
    for (int i = 1; i <= 5; ++i) {
        Click(kMacroNew);
        Click(kNameField);
        Type("m" + std::to_string(i));
        Click(kNamePopupOk);
    }
    // A new macro, recorded from two typed keys.
    Click(kMacroNew);
    Click(kNameField);
    Type("greet");
    Click(kNamePopupOk);
    Click(kMacroRecord);
    Type("hi");
    Click(kMacroRecord);
    Shot("macro-recorded");

    // Its first delay edited in place: the row, the row menu's third entry ("Edit"), a new
    // value and Enter, which stays in the field: the window neither writes nor closes.
    const auto delayRow = [this] { return Strip(kFirstDelayRow.y - 6, 12); };
    const std::vector<unsigned long> delayBefore = delayRow();
    Click(kFirstDelayRow);
    RightClick(kFirstDelayRow);
    Key(XK_Down);
    Key(XK_Down);
    Key(XK_Down);
    Key(XK_Return);
    Settle();
    for (int i = 0; i < 8; ++i) {
        Key(XK_BackSpace);
    }
    Type("2500");
    Key(XK_Return);
    Settle();
    Shot("delay-edited");
    ASSERT_TRUE(FindWindow("Tolvi Borvanta 5600").has_value())
        << "Enter in the delay field ended the configurator";
    EXPECT_NE(delayRow(), delayBefore) << "the delay row did not change";

    // Buttons: the fourth button becomes the key F5, the fifth the macro.
    Click(kTabButtons);
    Click(kBackField);
    Shot("assignment-list");
    Click(kBackListSingleKey);
    Shot("key-popup");
    Key(XK_F5);
    Click(kKeyPopupOk);
    Click(kForwardField);
    Click(kForwardListMacro);
    Shot("macro-submenu");
    // The recorded macro is the sixth: below the five rows shown, reached with End.
    Key(XK_End);
    Shot("macro-submenu-end");
    Key(XK_Return);
    Settle();
    Shot("assigned");

    // Lighting: the scroll wheel light turns green.
    Click(kTabLighting);
    Click(kScrollLightColour);
    Shot("palette");
    Click(kPaletteGreen);
    Shot("green");
    // The logo light takes a colour of its own: the palette's wide custom cell opens the
    // colour chooser on the light's colour (blue), whose red part becomes 192.
    const std::vector<Window> beforePalette = ShownWindows();
    Click(kLogoLightColour);
    const std::optional<Window> palette = NewWindow(beforePalette, 10s);
    ASSERT_TRUE(palette.has_value()) << "no palette for the logo light";
    Settle();
    XWindowAttributes paletteArea{};
    XGetWindowAttributes(m_x, *palette, &paletteArea);
    std::vector<Window> withPalette = beforePalette;
    withPalette.push_back(*palette);
    Click(Spot{paletteArea.x + paletteArea.width / 2, paletteArea.y + paletteArea.height - 12});
    const std::optional<Window> colourChooser = NewWindow(withPalette, 20s);
    ASSERT_TRUE(colourChooser.has_value()) << "no colour chooser from the custom cell";
    Settle();
    Shot("colour-chooser");
    Type("192");
    Shot("colour-typed");
    Key(XK_Return);
    ASSERT_TRUE(WaitFor([&] { return !Viewable(*colourChooser); }, 20s))
        << "the colour chooser did not end on Return";
    Settle();
    Shot("logo-colour");

    // Performance: the stages popup, one stage fewer.
    Click(kTabPerformance);
    Click(kStagesButton);
    Shot("stages-popup");
    Click(kStagesFewer);
    Click(kStagesOk);
    Shot("stages-set");

    // Two more profiles, their names typed in German (a dead key for the diaeresis) and, after
    // the layout changed while the configurator runs, in Russian.
    Click(kTabProfiles);
    Click(kProfileNew);
    Click(kNameField);
    Type({XK_Z, XK_o, XK_dead_diaeresis, XK_e, XK_space, XK_S, XK_t, XK_r, XK_a, XK_ssharp, XK_e});
    Shot("german-name");
    Click(kNamePopupOk);
    ASSERT_TRUE(testsupport::SetKeyboardLayout(m_server.Name(), "ru"));
    Click(kProfileNew);
    Click(kNameField);
    Type({XK_Cyrillic_I, XK_Cyrillic_ghe, XK_Cyrillic_er, XK_Cyrillic_a});
    Shot("russian-name");
    Click(kNamePopupOk);
    Shot("four-profiles");

    // Apply writes to the mouse.
    Click(kApply);
    Shot("applied");
    EXPECT_TRUE(WaitFor([&] {
        const std::string state = MouseState();
        return state.find("polling rate: 8 ms") != std::string::npos &&
               state.find(kRussianName) != std::string::npos;
    })) << MouseState();
    const std::string state = MouseState();
    EXPECT_NE(state.find("\"Profile 1\""), std::string::npos) << state;
    EXPECT_EQ(state.find("\"Work\""), std::string::npos) << state;
    EXPECT_NE(state.find("profile 3: \"Zo\xC3\xAB Stra\xC3\x9F"
                         "e\""),
              std::string::npos)
        << state;
    EXPECT_NE(state.find("profile 4 (active): " + kRussianName), std::string::npos) << state;
    // The renamed profile is the one edited: its section of the state, up to the next profile.
    const size_t office = state.find(kRenamed);
    ASSERT_NE(office, std::string::npos) << state;
    const std::string section = state.substr(office, state.find("\nprofile ", office) - office);
    EXPECT_NE(section.find("button 4: key scan 63 "), std::string::npos) << section; // F5
    const size_t macro = state.find("macro \"greet\" {");
    ASSERT_NE(macro, std::string::npos) << state;
    const size_t open = state.find('{', macro);
    const std::string macroId = state.substr(open, state.find('}', open) + 1 - open);
    EXPECT_NE(section.find("button 5: macro " + macroId), std::string::npos) << section << macroId;
    EXPECT_NE(section.find("scroll on #00FF00"), std::string::npos) << section;
    EXPECT_NE(section.find("logo on #C000FF"), std::string::npos) << section;
    EXPECT_NE(section.find("stage 3 of 800 1200 1800 4000\n"), std::string::npos) << section;
    // "hi" pressed and released: four key events at least, with delays between them.
    const int events = std::atoi(state.c_str() + state.find("}: ", macro) + 3);
    EXPECT_GE(events, 4) << state;
    EXPECT_NE(section.find("program: " + program.filename().string() + "; switches: auto 1"),
              std::string::npos)
        << section;

    // Once the writing popup has gone, Apply is idle again; then OK closes the configurator.
    EXPECT_TRUE(WaitFor([&] { return Pixel(kApply) == applyIdle; }))
        << "Apply stayed lit after the write";
    Click(kOk);
    EXPECT_TRUE(WaitFor([&] { return Exited(app); }, 30s)) << "OK did not end the configurator";
    Shot("closed");
    EXPECT_FALSE(FindWindow("Tolvi Borvanta 5600").has_value());

    // The tray companion stays. The mouse's stage button: the active profile shows the
    // sensitivity on screen, so a window appears for it.
    EXPECT_TRUE(WindowExists(*trayIcon))
        << "the tray icon went with the configurator: " << TrayFate();
    const size_t before = ShownWindows().size();
    Run(kMousectl.string() + " dpi-up");
    EXPECT_TRUE(WaitFor([&] { return ShownWindows().size() > before; }, 10s))
        << "no on-screen display after the stage button";
    Shot("dpi-osd");
    EXPECT_NE(MouseState().find("stage 4 of"), std::string::npos) << MouseState();

    // The mouse's profile button: the tray menu, which marks the active profile, follows.
    const auto menuBefore = TrayMenuPixels(*trayIcon);
    ASSERT_TRUE(menuBefore.has_value()) << "no tray menu on a right click";
    Run(kMousectl.string() + " profile-up");
    EXPECT_TRUE(WaitFor([&] {
        return MouseState().find("(active): \"Profile 1\"") != std::string::npos;
    })) << MouseState();
    std::this_thread::sleep_for(1s);
    const auto menuAfter = TrayMenuPixels(*trayIcon);
    ASSERT_TRUE(menuAfter.has_value()) << "no tray menu after the profile button";
    EXPECT_NE(*menuBefore, *menuAfter) << "the tray menu did not follow the active profile";

    // A window of this test program becomes the active one, as a window manager marks it: the
    // tray makes the profile bound to the program active.
    const Window gameWindow =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 900, 700, 60, 60, 0, 0, 0);
    long pid = getpid();
    XChangeProperty(m_x, gameWindow, XInternAtom(m_x, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(m_x, gameWindow);
    Window activeWindow = gameWindow;
    XChangeProperty(m_x, DefaultRootWindow(m_x), XInternAtom(m_x, "_NET_ACTIVE_WINDOW", False),
                    XA_WINDOW, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&activeWindow),
                    1);
    XSync(m_x, False);
    EXPECT_TRUE(WaitFor([&] {
        return MouseState().find("(active): " + kRenamed) != std::string::npos;
    })) << MouseState();
    Shot("program-activated");

    // Unplugged and plugged in again while the tray runs: it keeps its icon and follows the
    // mouse again.
    Run(kMousectl.string() + " unplug");
    std::this_thread::sleep_for(2s);
    Run(kMousectl.string() + " plug");
    std::this_thread::sleep_for(3s);
    Shot("replugged");
    EXPECT_TRUE(WindowExists(*trayIcon)) << "the tray icon went after unplugging: " << TrayFate();
    EXPECT_NE(MouseState().find("plugged in"), std::string::npos);

    // The menu's last item, "Close Tray Icon", ends the tray: its icon goes.
    const auto menu = OpenTrayMenu(*trayIcon);
    ASSERT_TRUE(menu.has_value()) << "no tray menu after plugging in";
    XWindowAttributes a{};
    XGetWindowAttributes(m_x, *menu, &a);
    Click(Spot{a.x + a.width / 2, a.y + a.height - 12});
    EXPECT_TRUE(WaitFor([&] { return !WindowExists(*trayIcon); }, 20s))
        << "the tray icon stayed after Close Tray Icon";
    Shot("tray-closed");
}

} // namespace
