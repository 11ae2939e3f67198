// A fixture with the main window's work area (file box in the left pane, image view beside it)
// on the test server, its file box listing a fresh directory.
#pragma once

#include "widgets/widget_support.h"

#include "app/wnd_paint.h"
#include "base/settings.h"
#include "base/xmem.h"
#include "widgets/xbox.h"
#include "widgets/xfilebox.h"

#include <cstdlib>
#include <string>
#include <vector>

class WorkAreaTest : public WidgetTest {
  protected:
    ScratchDir scratch;
    std::string dir = scratch.path;
    WINDAT *box = nullptr;
    Time t = 20000;

    // Settings a test needs before the work area is made.
    virtual void Settings() {}

    void SetUp() override {
        WidgetTest::SetUp();
        if (IsSkipped() || !main) return;
        BoxInit();
        AskFileOpenWin = 0;
        snprintf(LastPathFileOpen, RC_PATH_SIZE, "%s", dir.c_str());
        Settings();
        main->width = 900, main->height = 600;
        WinResize(main, 900, 600);
        ASSERT_EQ(WinUSRStringArrayCreate(main, 4), 0);
        ASSERT_NE(WorkCreate(main), nullptr);
        box = WinChildFindTypTree(main, WIN_FILEBOX);
        ASSERT_NE(box, nullptr);
        WinShow(main, 1);
        Pump([] { return false; }, 100);
    }

    // The open dialogs, newest last.
    std::vector<WINDAT *> Dialogs() {
        std::vector<WINDAT *> out;
        for (int i = 0; i < WINDATpi; i++)
            if (WINDATp[i] && WINDATp[i]->typ == WIN_DLGMSG) out.push_back(WINDATp[i]);
        return out;
    }

    // Clicks the button numbered `button` (1 the first) of a dialog's button row.
    void Press(WINDAT *dlg, int button) {
        WINDAT *grp = WinChildFindTyp(dlg, WIN_BTN_GROUP);
        ASSERT_NE(grp, nullptr);
        for (int i = 0; i < grp->nchild; i++)
            if (grp->child[i]->status == button) {
                SendClick(display, grp->child[i]->window, t, t + 40);
                t += 1000;
                Pump([] { return false; }, 60);
                return;
            }
        FAIL() << "no button " << button;
    }

    void TearDown() override {
        for (char *&slot : mainFileLastName)
            if (slot) {
                MemFree(slot, "rc");
                slot = nullptr;
            }
        // The slots the work area keeps in the main window, made in SetUp.
        if (main && main->usr.strm) WinUSRStringArrayRemove(main);
        WidgetTest::TearDown();
    }
};
