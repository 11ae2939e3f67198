#include "widgets/xtree.h"

#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xlist.h"
#include "widgets/xscroll.h"

#include <cstdio>
#include <cstring>
#include <vector>

static int TreeEvPress(WINDAT *tree) {
    return TreePress(tree);
}

static int TreeEvRelease(WINDAT *tree) {
    TreeRelease(tree);
    return 0;
}

WINDAT *TreeCreate(WINDAT *parent, int x, int y, WINTYP *typ, const WINNEIGHBOR *nb,
                   const char *name, WINFUNC mouse, int kind, const char *dir, const char *str) {
    if (!parent || !typ || !nb) return nullptr;
    static const WINEVHANDLER h = {TreeEvPress, TreeEvRelease, nullptr, nullptr, nullptr, nullptr};
    WinEvHandlerSet(WIN_TREE, &h);
    ToolkitLockGuard guard;
    WINTYP t = *typ;
    t.typ = WIN_TREE;
    t.func[WIN_FUNC_RESIZE] = ResizeTree;
    WINDAT *tree = WinCreate(parent, x, y, &t, nb, name, fontfs_list);
    if (!tree) return nullptr;
    WINTYP st = *typ;
    st.width = tree->width;
    st.height = tree->height;
    st.border = 0;
    memset(st.func, 0, sizeof st.func);
    WINNEIGHBOR none{};
    WINDAT *scroll = ScrollWndCreate(tree, 0, 0, &st, &none, name, mouse, kind, 1, 0, 0);
    if (!scroll) {
        WinClose(tree);
        return nullptr;
    }
    if (kind == WIN_LIST) {
        if (WINDAT *list = ScrollGetScrollWnd(scroll)) {
            list->state = LIST_DIRECTORY;
            if (str) WinUSRStringSet(list, str);
            std::vector<char> path(4096);
            snprintf(path.data(), path.size(), "%s", dir && *dir ? dir : ".");
            ListDirectoryAdd(list, path.data(), static_cast<int>(path.size()));
        }
    }
    return tree;
}

int TreePress(WINDAT *tree) {
    if (!tree) return WIN_ERROR_ARG;
    lastEventTime[0] = tree->usr.evmouse.xbutton.time;
    return WinSetSelect(tree, 1, 0);
}

long TreeRelease(WINDAT *tree) {
    if (!tree) return WIN_ERROR_ARG;
    WinSetSelect(tree, 0, 0);
    return static_cast<long>((tree->usr.evmouse.xbutton.time - lastEventTime[0]) & 0xFFFFFFFFul);
}

int TreeResize(WINDAT *tree) {
    if (!tree) return WIN_ERROR_ARG;
    int r[4];
    if (WinResizeCalc(tree, r) != 0) return WIN_ERROR_PARENT;
    if (r[2] > 0 && r[3] > 0) {
        tree->width = r[2];
        tree->height = r[3];
        WinResize(tree, r[2], r[3]);
    }
    // The scroll window follows the tree's size.
    for (int i = 0; i < tree->nchild; i++) {
        WINDAT *c = tree->child[i];
        if (!c) continue;
        c->width = tree->width;
        c->height = tree->height;
        WinResize(c, c->width, c->height);
    }
    return WinChildResize(tree);
}

int ResizeTree(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    return TreeResize(rec->win);
}
