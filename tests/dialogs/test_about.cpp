#include "dialogs/frmabout.h"
#include "mainwindow/windowfixture.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

// The version of the store library, or a plain "not available" when the session cannot say.
TEST(About, ShowsTheStoreVersionOrThatItIsNotAvailable)
{
    for (const bool versionFails : { false, true }) {
        WindowFixture f(browseSession());
        ASSERT_TRUE(f.load());
        if (versionFails) f.session->fail("Session.Version", store::Error(store::mapi::E_CALL_FAILED, "gone"));
        f.w->mnuHelpAbout->trigger();
        ASSERT_TRUE(f.w->about);
        EXPECT_EQ(f.w->about->lblMapiVersion->text(),
            versionFails ? "MAPI version: not available" : "MAPI version: Memory store 1.0");
    }
}

} // namespace
