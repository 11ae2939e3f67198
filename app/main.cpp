// Start-up, the main window, the event loop and the end of the program.
#include "app/main.h"
#include "app/mf_file.h"
#include "app/mf_option.h"

#include "app/menus.h"
#include "app/mf_archive.h"
#include "app/mf_album.h"
#include "base/language.h"
#include "base/lg.h"
#include "app/rc.h"
#include "app/startup.h"
#include "app/wnd_paint.h"
#include "app/wnd_dcmheader.h"
#include "app/wnd_dicom.h"
#include "base/utf8.h"
#include "base/xmem.h"
#include "render/ximage.h"
#include "resources/icon.h"
#include "resources/icon_colour.h"
#include "toolkit/xcolor.h"
#include "toolkit/xevent.h"
#include "toolkit/xinit.h"
#include "toolkit/xtext.h"
#include "toolkit/xtools.h"
#include "toolkit/xwinfunc.h"
#include "widgets/xbtn.h"
#include "widgets/xfilebox.h"
#include "widgets/xbox.h"
#include "widgets/xbtnsym.h"
#include "base/xerror.h"
#include "widgets/xlist.h"
#include "widgets/xmenu.h"
#include "widgets/xpaint.h"
#include "widgets/xscroll.h"
#include "widgets/xsymbol.h"
#include "widgets/xtb.h"

#include <X11/Xatom.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pthread.h>
#include <unistd.h>
#include <vector>

XEvent event;
std::atomic<int> killProgram{0};
int opt_rt[3] = {1, 3, 1};
int TbStateFileSym = 2;
int TbStateDicom = -1;

static const char *const PROGRAM = "dravik";

// Set once the end has begun, so that a signal during the normal end does not end it twice.
static std::atomic<int> program_ending{0};

int MainPropStrSet(int slot, void *p) {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return WIN_ERROR_TYPE;
    if (WinUSRStringArrayExist(main) != 0) return WIN_ERROR_MEMORY;
    return WinUSRStringArrayValueSet(main, slot, static_cast<char *>(p));
}

WINTYP MainWinTyp(int w, int h, int lang, unsigned long fg, unsigned long bg) {
    WINTYP t{};
    t.fg = fg;
    t.bg = bg;
    t.width = w;
    t.height = h;
    t.language = lang;
    t.mouseleft = opt_rt[0];
    t.mouseright = opt_rt[1];
    return t;
}

void *MainPropStrGet(int slot) {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return nullptr;
    return WinUSRStringArrayValueGet(main, slot);
}

// The open quit question, by its window: a second Exit raises it instead of asking twice.
static WINDAT *quit_box = nullptr;
static Window quit_box_window = 0;

static int ProgramExit(WINDATUSR *rec) {
    if (rec && rec->i == 1) killProgram = 1;
    quit_box = nullptr, quit_box_window = 0;
    return MsgBoxClose(rec);
}

int MF_FileExit() {
    if (!AskProgramExit) {
        killProgram = 1;
        return 0;
    }
    if (quit_box && WinFind(quit_box_window) == quit_box) {
        XRaiseWindow(quit_box->usr.display, quit_box->window);
        return 0;
    }
    quit_box = MsgBox(opt_rt[2], 3, LgWarn(0, opt_rt[2]), ProgramExit);
    quit_box_window = quit_box ? quit_box->window : 0;
    // Asked from the keyboard as often as not: with keys following the pointer (no window
    // manager), Return and Escape would reach whatever window the pointer is over instead.
    Window focus = 0;
    int revert;
    if (quit_box) XGetInputFocus(quit_box->usr.display, &focus, &revert);
    if (quit_box && focus == PointerRoot) {
        XSync(quit_box->usr.display, False);
        WinFocusTake(quit_box);
    }
    return 0;
}

// Help > Help: the keys and mouse buttons, built in (no file to go missing).
static const char HELP_EN[] = "Image view:\n"
                              "  n, p  next, previous file    f  fit the image to the view\n"
                              "  +, -  zoom in, out by 1.25   0  100 %\n"
                              "  <, >  rotate left, right     |, _  flip horizontally, vertically\n"
                              "  wheel: scroll, or frames and files; Ctrl+wheel: zoom\n"
                              "  space, BackSpace: next, previous frame or file\n"
                              "  middle button: drag the picture\n"
                              "  left button: x,y (r,g,b) of the pixel in the status line\n"
                              "  right button: the image's menu (open, rename, remove)\n"
                              "Grey DICOM: left button adds the stored value and HU;\n"
                              "  1 file's window, 2 min-max, 3 40/400, 4 -600/1500,\n"
                              "  5 300/1500, 6 40/80; w the file's next window;\n"
                              "  Shift+left drag: width (across), level (up, down)\n"
                              "  n, p on a DICOM series: its slices in Instance Number order\n"
                              "  , . previous, next frame; [ ] while playing: half, double rate\n"
                              "  i (View > DICOM header): every element of the file; Escape\n"
                              "    closes it, a letter selects the next element so named\n"
                              "File box: Return or a double click opens, Delete removes,\n"
                              "  the right button opens its menu\n"
                              "F11 fullscreen, Escape leaves it (a fitted picture is fitted\n"
                              "  anew both ways); q in a picture: quit\n"
                              "Ctrl+O open, Ctrl+S save, Ctrl+C close, Ctrl+Q quit\n"
                              "Edit fields: Ctrl+C, Ctrl+X, Ctrl+V copy, cut, paste, also with\n"
                              "  other programs; Shift+Insert pastes the selected text\n"
                              "File > Open from archive: search a DICOMweb archive; Open on a\n"
                              "  study lists its series, on a series retrieves and shows it\n"
                              "Options > Program: settings; dravik --help: the command line";
static const char HELP_DE[] = "Bildansicht:\n"
                              "  n, p  n\xe4"
                              "chste, vorige Datei    f  Bild in die Ansicht einpassen\n"
                              "  +, -  um 1,25 vergr\xf6\xdf"
                              "ern, verkleinern   0  100 %\n"
                              "  <, >  links, rechts drehen   |, _  waagrecht, senkrecht spiegeln\n"
                              "  Rad: rollen, oder Bilder und Dateien; Strg+Rad: Zoom\n"
                              "  Leertaste, R\xfc"
                              "cktaste: n\xe4"
                              "chstes, voriges Bild oder Datei\n"
                              "  mittlere Taste: das Bild ziehen\n"
                              "  linke Taste: x,y (r,g,b) des Bildpunkts in der Statuszeile\n"
                              "  rechte Taste: das Men\xfc des Bildes (\xf6"
                              "ffnen, umbenennen, entfernen)\n"
                              "Graue DICOM-Bilder: linke Taste zeigt auch Wert und HU;\n"
                              "  1 Fenster der Datei, 2 Min-Max, 3 40/400, 4 -600/1500,\n"
                              "  5 300/1500, 6 40/80; w n\xe4"
                              "chstes Fenster der Datei;\n"
                              "  Umschalt+linke Taste ziehen: Breite (quer), Mitte (hoch, runter)\n"
                              "  n, p in einer DICOM-Serie: Schichten nach Instance Number\n"
                              "  , . voriges, n\xe4"
                              "chstes Bild; [ ] beim Abspielen: halb, doppelt so schnell\n"
                              "  i (Ansicht > DICOM-Kopfdaten): alle Elemente der Datei; Escape\n"
                              "    schlie\xdf"
                              "t, ein Buchstabe w\xe4"
                              "hlt das n\xe4"
                              "chste Element dieses Namens\n"
                              "Dateiauswahl: Return oder Doppelklick \xf6"
                              "ffnet, Entf entfernt,\n"
                              "  die rechte Taste \xf6"
                              "ffnet ihr Men\xfc\n"
                              "F11 Vollbild, Esc verl\xe4\xdf"
                              "t es (ein eingepasstes Bild wird\n"
                              "  beide Male neu eingepasst); q im Bild: beenden\n"
                              "Strg+O \xf6"
                              "ffnen, Strg+S sichern, Strg+C schlie\xdf"
                              "en, Strg+Q beenden\n"
                              "Eingabefelder: Strg+C, Strg+X, Strg+V kopieren, ausschneiden,\n"
                              "  einf\xfc"
                              "gen, auch mit anderen Programmen; Umschalt+Einfg f\xfc"
                              "gt\n"
                              "  den markierten Text ein\n"
                              "Datei > Aus Archiv \xf6"
                              "ffnen: ein DICOMweb-Archiv durchsuchen; \xd6"
                              "ffnen auf einer\n"
                              "  Studie zeigt ihre Serien, auf einer Serie holt und zeigt sie sie\n"
                              "Optionen > Programm: Einstellungen; dravik --help: die Befehlszeile";

// The German help is Latin-1 bytes like the labels: UTF-8 from its first showing on.
static const char *HelpGerman() {
    static const std::string &text = *new std::string([] {
        std::string s(2 * sizeof HELP_DE, '\0');
        s.resize(Latin1ToUtf8(HELP_DE, strlen(HELP_DE), s.data(), s.size()));
        return s;
    }());
    return text.c_str();
}

int MenuMainAction(Display *display, int id) {
    int language = opt_rt[2];
    switch (id) {
    case 200:
        MenuCloseFromMouse(nullptr);
        MF_FileOpen();
        break;
    case 203:
        MenuCloseFromMouse(nullptr);
        MF_FileSaveAs(static_cast<WINDAT *>(MainPropStrGet(1)));
        break;
    case 202:
        MenuCloseFromMouse(nullptr);
        MF_FileSave(static_cast<WINDAT *>(MainPropStrGet(1)));
        break;
    case 207:
        MenuCloseFromMouse(nullptr);
        MF_ArchiveOpen(display ? display : main_display);
        break;
    case 500:
        MenuCloseFromMouse(nullptr);
        MF_AlbumOpen(display);
        break;
    case 204:
        MenuCloseFromMouse(nullptr);
        MF_FileClose(static_cast<WINDAT *>(MainPropStrGet(1)));
        break;
    case 206:
        MF_FileExit();
        break;
    case 400:
    case 401:
    case 402:
        MenuCloseFromMouse(nullptr);
        MF_ViewZoom(static_cast<WINDAT *>(MainPropStrGet(1)), id);
        break;
    case 403:
    case 404:
    case 405:
    case 406:
        MenuCloseFromMouse(nullptr);
        MF_ViewTurn(static_cast<WINDAT *>(MainPropStrGet(1)), id);
        break;
    case 407:
        MenuCloseFromMouse(nullptr);
        WinDcmHeaderOpen(static_cast<WINDAT *>(MainPropStrGet(1)));
        break;
    case 600:
        MenuCloseFromMouse(nullptr);
        MF_OptionProgramCreate(display ? display : main_display);
        break;
    case 701:
        if (WinMainToolbarCreate(0, TbStateFileSym, 0, 0)) TbFile = 1;
        break;
    case 702:
        if (WinMainToolbarCreate(0, TbStateDicom, 0, 0)) TbDicom = 1;
        break;
    case 800:
        MenuCloseFromMouse(nullptr);
        MsgBox(language, 6, language == LG_GERMAN ? HelpGerman() : HELP_EN, nullptr);
        break;
    case 801: {
        char text[400];
        snprintf(text, sizeof text,
                 "%s  1.0\n\nImage viewer and album manager for photographs and medical "
                 "images.\n\n~/.dravikrc\n\nThis software is based in part on the work of the "
                 "Independent JPEG Group.",
                 PROGRAM);
        MsgBox(language, 6, text, nullptr);
        break;
    }
    default:
        // The file, view, album, options and window commands are wired with their windows.
        break;
    }
    return 1;
}

int MainFuncClose(WINDATUSR *rec) {
    (void)rec;
    MF_FileExit();
    // The main window is never closed by the toolkit; the end of the program releases it.
    return 1;
}

int MainFuncResize(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    WinChildResize(rec->win);
    return ToolbarParentResize(rec->win);
}

int MainMenuBtn(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_ARG;
    if (!rec->parent || rec->parent->typ != WIN_MENUP) return WIN_ERROR_PARENT;
    int id = rec->win->status;
    Display *display = rec->display;
    WINDAT *grp = rec->parentgrp;
    if (grp && grp->usr.parent && grp->usr.parent->typ == WIN_MENUM) MenuMainClose(grp->usr.parent);
    MenuMainAction(display, id);
    return 0;
}

int MenuMainActionWithKeyCTRL(const char *keyname) {
    if (!keyname) return WIN_ERROR_ARG;
    static const int menus[] = {1, 2, 3, 4, 5, 7};
    for (int m : menus) {
        MENUHANDLE handle = M_MAIN_MENU[m];
        int n = MenuCount(handle);
        for (int i = 1; i <= n; i++) {
            const MENUITEM *item = MenuItemGet(handle, i);
            // The whole key name must be the accelerator: "space" and "period" are not "s"
            // and "p".
            if (!item || !item->accelerator || strcmp(item->accelerator, keyname) != 0) continue;
            if (item->disabled) break;
            MenuMainCloseIfActiv();
            return MenuMainAction(main_display, item->id);
        }
    }
    return -1;
}

int CheckEvKeyReleaseMain(const XEvent &ev) {
    if (ev.type != KeyRelease) return WIN_ERROR_ARG;
    if (!(ev.xkey.state & ControlMask)) return 0;
    XKeyEvent key = ev.xkey;
    KeySym sym = XLookupKeysym(&key, 0);
    // Xlib allocates, and never frees, the name of a Unicode keysym; accelerators are letters.
    if (sym == NoSymbol || sym >= 0x01000000) return 0;
    // In an edit field these copy, cut and paste.
    WINDAT *win = WinFind(ev.xkey.window);
    if (win && win->typ == WIN_EDIT_TXT && (sym == XK_c || sym == XK_x || sym == XK_v)) return 0;
    return MenuMainActionWithKeyCTRL(XKeysymToString(sym));
}

int MainFuncTbFileSymbolCloseTb(WINDATUSR *rec) {
    if (!rec || !rec->win || rec->win->typ != WIN_TOOLBAR) return WIN_ERROR_TYPE;
    MenuSetupDisable(701, M_MAIN_MENU[6], 0);
    TbFile = 0;
    return 0;
}

int MainFuncTbFileDicomCloseTb(WINDATUSR *rec) {
    if (!rec || !rec->win || rec->win->typ != WIN_TOOLBAR) return WIN_ERROR_TYPE;
    MenuSetupDisable(702, M_MAIN_MENU[6], 0);
    TbDicom = 0;
    return 0;
}

static int MainSymbolFileOpen(WINDATUSR *rec) {
    return MenuMainAction(rec ? rec->display : main_display, 200);
}

WINDAT *WinMainToolbarCreate(int floating, int kind, int x, int y) {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return nullptr;
    for (int i = 0; i < main->nchild; i++) {
        WINDAT *c = main->child[i];
        if (c && c->typ == WIN_TOOLBAR && c->state == kind) {
            WinClose(c);
            break;
        }
    }
    WINTYP t{};
    t.fg = fg_menu;
    t.bg = bg_menu;
    t.width = main->width;
    t.state = kind;
    t.language = main->language;
    // A docked toolbar is shown only once laid out: created at the top left, it would cover the
    // menu bar until moved and take the clicks meant for it.
    t.unvisible = floating ? 0 : 1;
    int bh = BtnGetInitHeight(WIN_TEXT_SAMPLE, 0);
    t.height = kind == 1 ? bh : kind == TbStateFileSym ? 38 : 3 * bh;
    WINNEIGHBOR nb{};
    if (kind == TbStateFileSym && !floating) {
        nb.neighbor[WIN_SIDE_TOP] = WinChildFindTyp(main, WIN_TOOLBAR);
        nb.space[WIN_SIDE_TOP] = 1;
    }
    if (kind == TbStateFileSym) MenuSetupDisable(701, M_MAIN_MENU[6], 1);
    if (kind == TbStateDicom) MenuSetupDisable(702, M_MAIN_MENU[6], 1);
    WINDAT *tb = ToolbarCreate(main, x, y, &t, &nb, "tb_s", floating, ToolbarBtnMainAction);
    if (!tb) return nullptr;

    WINDAT *grip = WinChildFindTyp(tb, WIN_BTN);
    WINTYP ct{};
    ct.fg = fg_menu;
    ct.bg = bg_menu;
    ct.width = tb->width - (grip ? grip->width : 0) - 4;
    ct.height = tb->height - 4;
    ct.language = tb->language;
    WINNEIGHBOR cnb{};
    for (int &space : cnb.space)
        space = 2;
    // Beside the grip, not over it.
    cnb.neighbor[WIN_SIDE_LEFT] = grip;
    WINDAT *content = nullptr;
    if (kind == 1) {
        content = MenuMainCreate(tb, &ct, &cnb, M_MAIN_MENU[0]);
    } else if (kind == TbStateFileSym) {
        content = SymbolGroupCreate(tb, 0, 0, &ct, &cnb, "sym");
        if (content) {
            char hint[200];
            snprintf(hint, sizeof hint, "%s %s", LgRes(0, tb->language), LgAct(0, tb->language));
            SymbolBtnAddStd(content, hint, SYMBOL_FILE_OPEN, MainSymbolFileOpen);
        }
        WinSetFuncIntClose(tb, MainFuncTbFileSymbolCloseTb);
    } else if (kind == TbStateDicom) {
        content = TbFileDicomCreate(tb, 0, 0, &ct, &cnb, "dcm");
        if (content) {
            WinSetFuncIntClose(tb, MainFuncTbFileDicomCloseTb);
            if (auto *view = static_cast<WINDAT *>(MainPropStrGet(1))) TbFileDicomUpdate(view);
        }
    }
    if (!content) {
        WinClose(tb);
        return nullptr;
    }
    // The flag says whether the toolbar is shown: a re-created toolbar is shown again.
    if (kind == TbStateFileSym) TbFile = 1;
    if (kind == TbStateDicom) TbDicom = 1;
    ToolbarParentResize(main);
    if (!floating) WinShow(tb, 1);
    WinFlush(main->usr.display);
    return tb;
}

int ToolbarBtnMainAction(WINDATUSR *rec) {
    if (!rec) return WIN_ERROR_ARG;
    if (!rec->win) return WIN_ERROR_NOWINDOW;
    WINDAT *tb = rec->parent;
    if (!tb) return WIN_ERROR_PARENT;
    int floating = tb->status, kind = tb->state;
    int x = rec->evmouse.xbutton.x_root, y = rec->evmouse.xbutton.y_root;
    if (floating) x = y = 0;
    return WinMainToolbarCreate(!floating, kind, x, y) ? 0 : -1;
}

int MainFuncIntClose(WINDATUSR *rec) {
    if (!rec || !rec->win) return WIN_ERROR_NOWINDOW;
    if (rec->win->typ != WIN_MAIN) return WIN_ERROR_TYPE;
    return WinUSRStringArrayRemove(rec->win);
}

int CheckEvClientMessageMain(const XEvent &ev) {
    WINDAT *main = WinFindTyp(WIN_MAIN);
    if (!main) return WIN_ERROR_ARG;
    Atom protocols = XInternAtom(ev.xany.display, "WM_PROTOCOLS", False);
    if (ev.xclient.message_type != protocols ||
        static_cast<Atom>(ev.xclient.data.l[0]) != main->wm_delete)
        return 0;
    WINDAT *win = WinFind(ev.xclient.window);
    if (!win) return -1;
    if (win->typ != WIN_EXT_PAINT) return 0;
    WinClose(win);
    return 0;
}

// The single-picture view inside `win`, or null.
static WINDAT *MainViewIn(WINDAT *win, int depth) {
    if (!win || depth > 16) return nullptr;
    if (win->typ == WIN_PAINT && win->state == PAINT_SINGLE) return win;
    for (int i = 0; i < win->nchild; i++)
        if (WINDAT *v = MainViewIn(win->child[i], depth + 1)) return v;
    return nullptr;
}

// With the pointer outside a focused window (over the window manager's frame, the desktop, a
// closed dialog's place) its keys reach the top-level itself; they are meant for its picture.
static void MainKeyToView(XEvent *ev) {
    if (ev->type != KeyPress && ev->type != KeyRelease) return;
    WINDAT *top = WinFind(ev->xkey.window);
    if (!top || (top->typ != WIN_MAIN && top->typ != WIN_EXT_PAINT)) return;
    // The main window's file box may hold a preview view too: its picture view is the one.
    WINDAT *view =
        top->typ == WIN_MAIN ? static_cast<WINDAT *>(MainPropStrGet(2)) : MainViewIn(top, 0);
    if (!view || !view->window) return;
    ev->xkey.window = view->window;
    ev->xkey.subwindow = None;
}

void *MainFuncTread(void *) {
    while (killProgram == 0) {
        // Wait for the event without the lock so that pump and worker threads can draw.
        XNextEvent(main_display, &event);
        ToolkitLockGuard guard;
        MainKeyToView(&event);
        WinEventKeyState(&event);
        // The toolkit closes an open menu on Escape's press; the menu took that Escape.
        bool menu_open = event.type == KeyPress && WinPaintMenuOpen();
        XEvent copy = event;
        WinEvent(main_display, copy);
        switch (event.type) {
        case KeyPress: {
            // The viewer's own keys (n, p, f) are not in the view's key table.
            WINDAT *win = WinFind(event.xkey.window);
            XKeyEvent key = event.xkey;
            // Keys beyond the described ones go by the character they type with the modifiers
            // held, so '+' works on every layout.
            KeySym typed = NoSymbol;
            char buf[8];
            XLookupString(&key, buf, sizeof buf, &typed, nullptr);
            if (win && !(key.state & (ControlMask | Mod1Mask)) && !menu_open &&
                WinDcmHeaderKey(win, typed))
                break;
            if (win && !(key.state & (ControlMask | Mod1Mask)) &&
                WinPaintKeyWindow(win, typed, menu_open))
                break;
            if (win && win->typ == WIN_PAINT && !(key.state & (ControlMask | Mod1Mask)) &&
                !WinPaintKeyNav(win, XLookupKeysym(&key, 0)) && !WinPaintKeyZoom(win, typed) &&
                !WinPaintKeyTurn(win, typed) && !WinDicomKey(win, typed) &&
                !WinDicomFrameKey(win, typed))
                WinPaintKeyField(win, typed);
            break;
        }
        case KeyRelease:
            CheckEvKeyReleaseMain(event);
            break;
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify: {
            WINDAT *win = WinFind(event.xany.window);
            if (!win) break;
            bool wheel = event.type == ButtonPress &&
                         (event.xbutton.button == 4 || event.xbutton.button == 5);
            if (wheel &&
                (win->typ == WIN_LIST || (win->typ == WIN_PAINT && win->state != PAINT_SINGLE))) {
                ScrollWheel(win, event.xbutton.button == 4 ? -1 : 1);
                if (win->typ == WIN_LIST) DravikTrace("list first=%d", ListEntryGetPosY(win));
                break;
            }
            if (win->typ != WIN_PAINT) break;
            if (event.type == ButtonPress && WinPaintWheel(win, &event.xbutton)) break;
            if (WinDicomDrag(win, &event)) break;
            WinPaintDrag(win, &event);
            break;
        }
        case FocusIn:
            WinPaintUpdate(event.xfocus.display, event.xfocus.window);
            MenuFileViewUpdate();
            break;
        case ClientMessage:
            CheckEvClientMessageMain(event);
            break;
        default:
            break;
        }
    }
    return nullptr;
}

static int ProgramEndOnce() {
    if (program_ending.exchange(1)) return 1;
    OptNameCommit();
    ProgramEnd();
    return 0;
}

void MainFuncSignal(int sig) {
    // Start-up holds the lock until its settings and windows are complete. Held to the end, the
    // lock keeps the user-interface thread from handling events of the windows just closed,
    // where an X error would end the program with another status.
    ToolkitLock();
    fprintf(stderr, "\n%s: %s  signal: %i\n", PROGRAM, LgAct(1, opt_rt[2]), sig);
    if (ProgramEndOnce() != 0) {
        ToolkitUnlock();
        return;
    }
    fputs("ENDE\n", stderr);
    fflush(nullptr);
    _exit(0);
}

int MainDepthCheck(int depth) {
    if (depth >= 8) return 0;
    fprintf(stderr, "%s: < 256 colors\n", PROGRAM);
    return WIN_ERROR_DEPTH;
}

#ifndef DRAVIK_LIBRARY

// An X protocol error ends no run: a request on a window that vanished under it (a window
// manager that died, a window closed by another client) fails, and the program goes on.
// Only a lost connection is fatal, through Xlib's own I/O error path.
static int MainXError(Display *, XErrorEvent *e) {
    DravikTrace("x error %d request %d.%d resource 0x%lx", e->error_code, e->request_code,
                e->minor_code, e->resourceid);
    return 0;
}

// SIGINT and SIGQUIT are taken by a thread of their own rather than a handler: ending the
// program writes files and frees windows, which is not safe inside an asynchronous handler.
static void *MainSignalTread(void *arg) {
    auto set = static_cast<sigset_t *>(arg);
    for (;;) {
        int sig = 0;
        if (sigwait(set, &sig) != 0) continue;
        MainFuncSignal(sig);
    }
    return nullptr;
}

static sigset_t main_signals;

static void MainSignalsInstall() {
    sigemptyset(&main_signals);
    sigaddset(&main_signals, SIGINT);
    sigaddset(&main_signals, SIGQUIT);
    pthread_sigmask(SIG_BLOCK, &main_signals, nullptr);
    pthread_t t;
    pthread_create(&t, nullptr, MainSignalTread, &main_signals);
}

static void MainWmProperties(WINDAT *main, XSizeHints *size, XWMHints *wm, XClassHint *cls) {
    XTextProperty name_prop, icon_prop;
    char *name = const_cast<char *>(PROGRAM);
    if (!XStringListToTextProperty(&name, 1, &name_prop) ||
        !XStringListToTextProperty(&name, 1, &icon_prop)) {
        fprintf(stderr, "%s: %s\n", PROGRAM, "error: mem|res");
        exit(-1);
    }
    size->flags = PPosition | PSize | PMinSize;
    size->min_width = main->width;
    size->min_height = main->height;
    Pixmap icon =
        XCreateBitmapFromData(main_display, main->window, reinterpret_cast<const char *>(icon_bits),
                              icon_width, icon_height);
    wm->flags = InputHint | StateHint | IconPixmapHint;
    wm->input = True;
    wm->initial_state = NormalState;
    wm->icon_pixmap = icon;
    cls->res_name = name;
    cls->res_class = name;
    XSetWMProperties(main_display, main->window, &name_prop, &icon_prop, nullptr, 0, size, wm, cls);
    XFree(name_prop.value);
    XFree(icon_prop.value);
    XSetWMProtocols(main_display, main->window, &main->wm_delete, 1);
    MainTopLevelProperties(main_display, main->window);
}

// Class, icon, process and machine of a top-level window: the desktop entry's StartupWMClass
// and the task bar's icon match every window of the program, not only the main one.
void MainTopLevelProperties(Display *display, Window window) {
    XClassHint cls;
    char name[] = "dravik";
    cls.res_name = name;
    cls.res_class = name;
    XSetClassHint(display, window, &cls);
    // _NET_WM_ICON: sizes one after the other, each width, height, then ARGB words in longs.
    static std::vector<unsigned long> icon;
    if (icon.empty())
        for (int size : {16, 32, 48, 64}) {
            std::vector<uint32_t> argb = IconArgb(size);
            icon.push_back(static_cast<unsigned long>(size));
            icon.push_back(static_cast<unsigned long>(size));
            icon.insert(icon.end(), argb.begin(), argb.end());
        }
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(icon.data()),
                    static_cast<int>(icon.size()));
    unsigned long pid = static_cast<unsigned long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char *>(&pid), 1);
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) == 0 && host[0]) {
        char *hosts[] = {host};
        XTextProperty prop;
        if (XStringListToTextProperty(hosts, 1, &prop)) {
            XSetWMClientMachine(display, window, &prop);
            XFree(prop.value);
        }
    }
}

static const char USAGE[] =
    "usage: dravik [FILE|ALBUM.alb|DIRECTORY]...\n"
    "       dravik --help | --version\n"
    "Shows JPEG and DICOM images, albums, and directories as thumbnails. n and p show the next\n"
    "and previous file, f fits the image to the view.\n";

// The files to open; exits for --help (0) and unknown options (2).
static void MainArgs(int argc, char **argv) {
    bool options = true;
    for (int i = 1; i < argc; i++) {
        const char *a = argv[i];
        if (options && strcmp(a, "--") == 0) {
            options = false;
        } else if (options && (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0)) {
            fputs(USAGE, stdout);
            exit(0);
        } else if (options && strcmp(a, "--version") == 0) {
            printf("%s %s\n", PROGRAM, DRAVIK_VERSION);
            exit(0);
        } else if (options && a[0] == '-' && a[1] != '\0') {
            fprintf(stderr, "%s: unknown option %s\n%s", PROGRAM, a, USAGE);
            exit(2);
        } else {
            WinPaintFiles.emplace_back(a);
        }
    }
}

// The least size: the whole menu bar, and the docked toolbars above a view of 200 x 150 with
// its scroll bar and status line. A start size larger than that is no reason to refuse less.
static void MainMinSize(WINDAT *main, XSizeHints *size) {
    int width = 200, bars = 0;
    if (WINDAT *bar = WinChildFindTypTree(main, WIN_MENUM)) {
        int bx = 0, by = 0;
        Window child;
        XTranslateCoordinates(main_display, bar->window, main->window, 0, 0, &bx, &by, &child);
        for (int i = 0; i < bar->nchild; i++) {
            XWindowAttributes a;
            if (bar->child[i] && WinGetAttrib(bar->child[i], &a) == 0)
                width = std::max(width, bx + a.x + a.width + 4);
        }
    }
    for (int i = 0; i < main->nchild; i++)
        if (WINDAT *c = main->child[i]; c && c->typ == WIN_TOOLBAR && c->status == 0)
            bars += c->height + 2 * c->border;
    size->flags = PPosition | PSize | PMinSize;
    size->width = main->width;
    size->height = main->height;
    size->min_width = width;
    size->min_height = bars + 150 + 2 * 20;
    XSetWMNormalHints(main_display, main->window, size);
}

int main(int argc, char **argv) {
    MainArgs(argc, argv);
    MainSignalsInstall();
    WinEvPingHook = [](long seq) { DravikTrace("pong %ld", seq); };
    PaintShownHook = WinPaintShown;
    FileOpenFitHook = WinPaintOpenFitZoom;
    FileOpenFirstFitHook = WinPaintFirstFit;
    WinTopLevelHook = MainTopLevelProperties;
    PaintPlayFrameHook = WinDicomPlayFrame;
    // A signal waits until start-up is complete: the settings and the registry it ends with are
    // written until then.
    ToolkitLock();

    XSizeHints *size_hints = XAllocSizeHints();
    XWMHints *wm_hints = XAllocWMHints();
    XClassHint *class_hint = XAllocClassHint();
    if (!size_hints || !wm_hints || !class_hint) {
        fprintf(stderr, "%s: %s\n", PROGRAM, "error: mem|res");
        exit(-8);
    }

    TextLocaleInit();
    XInitThreads();
    main_display = XOpenDisplay(nullptr);
    if (!main_display) {
        fprintf(stderr, "%s: display: %s\n", PROGRAM, XDisplayName(nullptr));
        exit(-19);
    }
    XSetErrorHandler(MainXError);
    int setup = MainToolkitSetup(main_display, -1);
    if (setup == WIN_ERROR_MEMORY) fprintf(stderr, "%s: %s mem\n", PROGRAM, "error: mem|res");
    if (setup != 0) exit(setup);
    BoxInit();

    XVisualInfo vtemplate;
    vtemplate.visualid = XVisualIDFromVisual(main_visual);
    int nvis = 0;
    main_visual_info = XGetVisualInfo(main_display, VisualIDMask, &vtemplate, &nvis);
    Atom wm_delete = XInternAtom(main_display, "WM_DELETE_WINDOW", False);

    int width = (WinGetDisplayWidth(main_display) / 3) * 2;
    int height = (WinGetDisplayHeight(main_display) / 3) * 2;

    auto root = static_cast<WINDAT *>(MemCreate(sizeof(WINDAT), "struct"));
    if (!root) exit(-8);
    memset(root, 0, sizeof *root);
    root->window = main_root;
    root->usr.display = main_display;

    WINTYP typ;
    memset(&typ, 0, sizeof typ);
    typ.fg = fg_form;
    typ.bg = bg_form;
    typ.width = width;
    typ.height = height;
    typ.typ = WIN_MAIN;
    // Mapped once its window-manager properties are set, so the manager sees them at once.
    typ.unvisible = 1;
    typ.language = opt_rt[2];
    WINNEIGHBOR nb;
    memset(&nb, 0, sizeof nb);
    WINDAT *main = WinCreate(root, 0, 0, &typ, &nb, PROGRAM, fontfs_text);
    if (!main) {
        fprintf(stderr, "%s: error: main_window\n", PROGRAM);
        exit(-1);
    }
    // The main window has no parent record; its group keeps the root record.
    WinRemoveInParent(main);
    main->usr.parent = nullptr;
    main->wm_delete = wm_delete;

    WinOptRtUpdate(main, opt_rt);
    WinSetFuncResize(main, MainFuncResize);
    WinSetFuncClose(main, MainFuncClose);
    WinSetFuncIntClose(main, MainFuncIntClose);
    if (WinUSRStringArrayCreate(main, 4) != 0) {
        WinClose(main);
        exit(-1);
    }
    MainPropStrSet(1, nullptr);
    MainPropStrSet(2, nullptr);

    MainWmProperties(main, size_hints, wm_hints, class_hint);
    XSelectInput(main_display, main->window, 0x01FBE33F);
    WinShow(main, 1);
    CursorInit(main_display);
    if (!WinMainToolbarCreate(0, 1, 0, 0)) {
        ToolkitUnlock();
        return WIN_ERROR_CREATE;
    }
    for (int id = 202; id <= 205; id++)
        MenuSetupDisable(id, M_MAIN_MENU[1], 1);
    TbStateFileSym = 2;
    TbStateDicom = -1;
    if (TbFile == 0)
        MenuSetupDisable(701, M_MAIN_MENU[6], 0);
    else if (!WinMainToolbarCreate(0, TbStateFileSym, 0, 0))
        MenuSetupDisable(701, M_MAIN_MENU[6], 0);
    WorkCreate(main);
    if (TbDicom == 0)
        MenuSetupDisable(702, M_MAIN_MENU[6], 0);
    else if (!WinMainToolbarCreate(0, TbStateDicom, 0, 0))
        MenuSetupDisable(702, M_MAIN_MENU[6], 0);
    ToolbarParentResize(main);
    MainMinSize(main, size_hints);
    XFlush(main_display);
    // The first file that can be read is shown as if chosen in the file box.
    if (!WinPaintFiles.empty()) WinPaintFilesOpen(0, 1);
    ToolkitUnlock();

    pthread_t ui;
    int err = pthread_create(&ui, nullptr, MainFuncTread, nullptr);
    if (err != 0) return MsgErrThr(opt_rt[2], PROGRAM, -301, err);
    err = pthread_join(ui, nullptr);
    if (err != 0) return MsgErrThr(opt_rt[2], PROGRAM, -302, err);

    fputs("ENDE Programm\n", stderr);
    {
        ToolkitLockGuard guard;
        ProgramEndOnce();
    }
    MemFree(root, "struct");
    XFree(size_hints);
    XFree(wm_hints);
    XFree(class_hint);
    fputs("ENDE\n", stderr);
    exit(0);
}
#endif
