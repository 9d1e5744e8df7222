#include <gtest/gtest.h>

#include "app/dialog_host.h"
#include "capture/sound_card_dialog_fake_host.h"

namespace keblor {
namespace {

// Initialisation is handled so that the focus goes to OK, and it does not end the box.
TEST(AboutDialog, InitialisationIsHandledWithoutEnding) {
  FakeDialogHost host;
  EXPECT_TRUE(AboutDialog(host, DialogMessage::InitDialog, 0));
  EXPECT_FALSE(host.result.has_value());
}

// OK and Enter both arrive as command 1 and end with 0; the close box ends with 1.
TEST(AboutDialog, OkEndsWithZeroAndCloseBoxWithOne) {
  FakeDialogHost ok;
  EXPECT_TRUE(AboutDialog(ok, DialogMessage::Command, 1));
  EXPECT_EQ(ok.result, 0);
  EXPECT_EQ(ok.endCount, 1);

  FakeDialogHost closeBox;
  EXPECT_TRUE(AboutDialog(closeBox, DialogMessage::Close, 0));
  EXPECT_EQ(closeBox.result, 1);
  EXPECT_EQ(closeBox.endCount, 1);
}

// Escape produces command 2, which is left to the default handling: the box stays open.
// Any other command id, or an id that merely contains 1 in other bits, is not OK either.
TEST(AboutDialog, EscapeAndOtherCommandsAreNotHandled) {
  for (int wParam : {2, 0, 100, 0x10001, -1}) {
    FakeDialogHost host;
    EXPECT_FALSE(AboutDialog(host, DialogMessage::Command, wParam)) << wParam;
    EXPECT_FALSE(host.result.has_value()) << wParam;
  }
}

}  // namespace
}  // namespace keblor
