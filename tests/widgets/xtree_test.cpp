// The directory tree: its scroll window, the list the list family fills, and resizing.
#include "widgets/widget_support.h"

#include "widgets/xtree.h"

#include <string>

namespace {
std::string tree_dir, tree_str;
WINDAT *tree_list = nullptr;
int FillTree(WINDAT *list, const char *dir, const char *str) {
    tree_list = list;
    tree_dir = dir;
    tree_str = str;
    return 0;
}
class Tree : public WidgetTest {};

} // namespace

TEST_F(Tree, TreeHoldsAListFilledByTheListFamilyAndFollowsItsParent) {
    TreeListDirHook = FillTree;
    WINTYP t = Typ(200, 150);
    WINNEIGHBOR n{};
    WINDAT *tree = TreeCreate(main, 0, 0, &t, &n, "tree", nullptr, WIN_LIST, "/tmp", "dir");
    TreeListDirHook = nullptr;
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->typ, WIN_TREE);
    ASSERT_NE(tree_list, nullptr);
    EXPECT_EQ(tree_list->typ, WIN_LIST);
    EXPECT_EQ(tree_dir, "/tmp");
    EXPECT_EQ(tree_str, "dir");
    main->width = 300, main->height = 250;
    ASSERT_EQ(TreeResize(tree), 0);
    EXPECT_EQ(tree->width, 300);
    EXPECT_EQ(tree->child[0]->width, 300);
}
