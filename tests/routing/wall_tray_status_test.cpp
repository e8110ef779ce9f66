#include <gtest/gtest.h>

#include "routing/tray_status.h"

namespace korvane::routing {
namespace {

class TrayStatusTest : public ::testing::Test {
  protected:
    TrayStatusTest() {
        controls.LabelLastUpdated = "12:30";
        controls.LabelSubnetsCount = "1234";
    }
    core::Controls controls;
    RecordingTrayView tray;
    TrayStatus status{tray, controls};
};

TEST_F(TrayStatusTest, SummaryPutsLineFeedBeforeCarriageReturn) {
    EXPECT_EQ(StatusSummary(kStateActivated, controls),
              "Korvane (активирована)\n\rПоследнее обновление: 12:30\n\r"
              "Количество подсетей: 1234");
}

TEST_F(TrayStatusTest, RequestedStateSummaryFollowsActivateMark) {
    status.ShowRequestedStateSummary();
    EXPECT_EQ(tray.Hint(), StatusSummary("Korvane (деактивирована)", controls));
    tray.SetChecked(TrayMenuItem::Activate, true);
    status.ShowRequestedStateSummary();
    EXPECT_EQ(tray.Hint(), StatusSummary("Korvane (активирована)", controls));
    EXPECT_EQ(tray.Picture(), TrayPicture::IconOff);  // the picture is not the summary's business
}

TEST_F(TrayStatusTest, BalloonCarriesListStatusForTenSeconds) {
    status.ShowStatusBalloon(kStateActivated);
    ASSERT_EQ(tray.balloons.size(), 1u);
    EXPECT_EQ(tray.balloons[0].title, "Korvane (активирована)");
    EXPECT_EQ(tray.balloons[0].text, "Последнее обновление: 12:30\n\rКоличество подсетей: 1234");
    EXPECT_EQ(tray.balloons[0].timeoutSeconds, 10);
    EXPECT_EQ(status.StatusTitle(), "Korvane (активирована)");
}

TEST_F(TrayStatusTest, BalloonsOffStillRemembersTitle) {
    controls.CheckBoxEnableBalloons = false;
    controls.CheckBoxEnableBalloonsEnabled = false;
    EXPECT_EQ(status.StatusTitle(), "Korvane (деактивирована)");
    status.ShowStatusBalloon(kStateActivated);
    EXPECT_TRUE(tray.balloons.empty());
    EXPECT_EQ(status.StatusTitle(), "Korvane (активирована)");
}

TEST_F(TrayStatusTest, ActivationImpossibleDisablesSwitchingKeepsMarks) {
    struct Case {
        bool activateChecked;
        bool popups;
        TrayPicture picture;
    };
    for (const Case& c : {Case{true, true, TrayPicture::UnavailableActivated},
                          Case{false, true, TrayPicture::UnavailableDeactivated},
                          Case{true, false, TrayPicture::UnavailableActivated}}) {
        SCOPED_TRACE(c.activateChecked);
        RecordingTrayView view;
        view.SetChecked(TrayMenuItem::Activate, c.activateChecked);
        view.SetChecked(TrayMenuItem::Deactivate, !c.activateChecked);
        controls.checkBoxEnablePopupsOnUpdate = c.popups;
        TrayStatus presenter(view, controls);
        presenter.ShowActivationImpossible();

        EXPECT_TRUE(presenter.ActivationImpossible());
        EXPECT_EQ(view.Picture(), c.picture);
        EXPECT_EQ(view.Hint(), StatusSummary("Korvane (активация невозможна)", controls));
        for (TrayMenuItem item : {TrayMenuItem::Activate, TrayMenuItem::Deactivate,
                                  TrayMenuItem::WhiteListOn, TrayMenuItem::WhiteListOff}) {
            EXPECT_FALSE(view.Enabled(item));
        }
        EXPECT_TRUE(view.Enabled(TrayMenuItem::Settings));
        EXPECT_TRUE(view.Enabled(TrayMenuItem::MenuExit));
        EXPECT_EQ(view.Checked(TrayMenuItem::Activate), c.activateChecked);
        EXPECT_EQ(view.Checked(TrayMenuItem::Deactivate), !c.activateChecked);
        ASSERT_EQ(view.balloons.size(), c.popups ? 1u : 0u);
        if (c.popups) {
            EXPECT_EQ(view.balloons[0].title, "Korvane (активация невозможна)");
        }
    }
}

}  // namespace
}  // namespace korvane::routing
