// The directory tree: its scroll window with the directory's list, and resizing.
#include "widgets/widget_support.h"

#include "widgets/xlist.h"
#include "widgets/xtree.h"

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
class Tree : public WidgetTest {};
} // namespace

TEST_F(Tree, TreeListsItsDirectoryThroughItsFilterAndFollowsItsParent) {
    ScratchDir scratch;
    std::string dir = scratch.path;
    ASSERT_EQ(mkdir((dir + "/sub").c_str(), 0755), 0);
    for (const char *f : {"/b.JPG", "/a.jpg", "/c.txt"})
        fclose(fopen((dir + f).c_str(), "w"));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);

    WINTYP t = Typ(200, 150);
    WINNEIGHBOR n{};
    WINDAT *tree = TreeCreate(main, 0, 0, &t, &n, "tree", nullptr, WIN_LIST, dir.c_str(), "*.jpg");
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->typ, WIN_TREE);
    ASSERT_GT(tree->nchild, 0);
    WINDAT *list = nullptr;
    for (int i = 0; i < WINDATpi && !list; i++)
        if (WINDATp[i] && WINDATp[i]->typ == WIN_LIST) list = WINDATp[i];
    ASSERT_NE(list, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < ListEntryGetEntryMax(list); i++)
        names.emplace_back(ListEntryGetNr(list, i));
    EXPECT_EQ(names, (std::vector<std::string>{"..", "sub", "a.jpg", "b.JPG"}));
    char now[4096];
    ASSERT_NE(getcwd(now, sizeof now), nullptr);
    EXPECT_STREQ(now, cwd) << "the working directory is the caller's again";

    main->width = 300, main->height = 250;
    ASSERT_EQ(TreeResize(tree), 0);
    EXPECT_EQ(tree->width, 300);
    EXPECT_EQ(tree->child[0]->width, 300);
}
