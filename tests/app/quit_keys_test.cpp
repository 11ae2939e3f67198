// The quit question answers the keyboard wherever the pointer is: with no window manager keys
// follow the pointer, and the question must not leave Escape and Return to the window below it.
#include "app/paint_binary.h"

namespace {

class QuitKeys : public WmBinary {};

} // namespace

TEST_P(QuitKeys, EscapeAndReturnAnswerTheQuestionWithThePointerOnTheMainWindow) {
    Start({Jpeg("a.jpg", 96, 64)}, 0, "FontList=6x13\n");
    OpenLine view = WaitOpen(1);
    ASSERT_NE(Main(), 0u) << Err();
    for (const char *answer : {"Escape", "Return"}) {
        SCOPED_TRACE(answer);
        Move(Main(), 60, 200);
        Key("ctrl+q");
        ASSERT_NE(Wait("Question"), 0u) << Err();
        Key(answer);
        if (!strcmp(answer, "Escape")) {
            ASSERT_TRUE(WaitGone("Question")) << Err();
            // The keyboard follows the pointer again: the view takes its keys.
            int zooms = Traces("trace: zoom");
            KeyInView(view, 5, 5, "f");
            EXPECT_TRUE(WaitTrace("trace: zoom", zooms + 1)) << Err();
        } else {
            ASSERT_TRUE(run.Wait()) << Err();
            EXPECT_EQ(run.status, 0) << Err();
        }
    }
}

DRAVIK_BARE_AND_WM(QuitKeys);
