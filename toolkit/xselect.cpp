#include "toolkit/xselect.h"

#include "base/utf8.h"
#include "toolkit/xtext.h"

#include <X11/Xatom.h>
#include <algorithm>
#include <chrono>
#include <poll.h>

namespace {

struct SELOWNED {
    Display *display = nullptr;
    Window w = None;
    Time t = CurrentTime;
    std::string text;
};
SELOWNED sel_owned[2];

Atom SelAtom(Display *d, int which) {
    return which == SEL_CLIPBOARD ? XInternAtom(d, "CLIPBOARD", False) : XA_PRIMARY;
}

std::string Utf8OfLatin1(const unsigned char *p, size_t n) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < n; i++)
        out.append(buf, size_t(Utf8Encode(p[i], buf)));
    return out;
}

// Writes the owned text to the requestor's property in the target's form; false: refused.
bool SelAnswer(const XSelectionRequestEvent &r, const std::string &text, Atom property) {
    Display *d = r.display;
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False), targets = XInternAtom(d, "TARGETS", False);
    Atom textatom = XInternAtom(d, "TEXT", False);
    // One request must carry it all: the server's limit, less the request's own header.
    long max = XExtendedMaxRequestSize(d) ? XExtendedMaxRequestSize(d) : XMaxRequestSize(d);
    size_t room = std::min(size_t(SEL_TEXT_MAX), size_t(std::max(0L, max * 4 - 64)));
    if (r.target == targets) {
        Atom list[] = {targets, utf8, XA_STRING, textatom};
        XChangeProperty(d, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char *>(list), 4);
        return true;
    }
    std::string data;
    Atom type;
    if (r.target == utf8 || r.target == textatom) {
        data = text, type = utf8;
    } else if (r.target == XA_STRING) {
        data = Utf8ToLatin1(text), type = XA_STRING;
    } else {
        return false;
    }
    if (data.size() > room) return false;
    XChangeProperty(d, r.requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(data.data()), int(data.size()));
    return true;
}

void SelRequest(const XSelectionRequestEvent &r) {
    XSelectionEvent n{};
    n.type = SelectionNotify;
    n.display = r.display;
    n.requestor = r.requestor;
    n.selection = r.selection;
    n.target = r.target;
    n.time = r.time;
    n.property = None;
    for (int which : {SEL_PRIMARY, SEL_CLIPBOARD}) {
        const SELOWNED &o = sel_owned[which];
        if (o.display != r.display || o.w != r.owner || SelAtom(r.display, which) != r.selection)
            continue;
        // A request from before we took the selection is not ours to answer.
        if (r.time != CurrentTime && o.t != CurrentTime && r.time < o.t) break;
        // Programs of old ask without a property: the target names it.
        Atom property = r.property != None ? r.property : r.target;
        if (SelAnswer(r, o.text, property)) n.property = property;
        break;
    }
    XSendEvent(r.display, r.requestor, False, NoEventMask, reinterpret_cast<XEvent *>(&n));
}

// Waits for the owner's answer, answering requests to this program meanwhile (we may be the
// owner through another window).
bool SelWait(Display *d, Window w, XEvent *out) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        if (XCheckTypedWindowEvent(d, w, SelectionNotify, out)) return true;
        XEvent req;
        while (XCheckTypedEvent(d, SelectionRequest, &req))
            SelRequest(req.xselectionrequest);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, int(std::min<long long>(left, 50)));
    }
}

} // namespace

bool SelOwn(Display *display, Window w, int which, const std::string &text, Time t) {
    if (!display || !w || (which != SEL_PRIMARY && which != SEL_CLIPBOARD) || text.empty())
        return false;
    Atom sel = SelAtom(display, which);
    XSetSelectionOwner(display, sel, w, t);
    if (XGetSelectionOwner(display, sel) != w) return false;
    sel_owned[which] = SELOWNED{display, w, t, TextShowable(text.c_str(), int(text.size()))};
    return true;
}

std::string SelFetch(Display *display, Window w, int which, Time t) {
    if (!display || !w || (which != SEL_PRIMARY && which != SEL_CLIPBOARD)) return std::string();
    Atom sel = SelAtom(display, which);
    Window owner = XGetSelectionOwner(display, sel);
    if (owner == None) return std::string();
    const SELOWNED &o = sel_owned[which];
    if (o.display == display && o.w == owner) return o.text;
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom prop = XInternAtom(display, "_DRAVIK_SELECTION", False);
    Atom incr = XInternAtom(display, "INCR", False);
    for (Atom target : {utf8, Atom(XA_STRING)}) {
        XDeleteProperty(display, w, prop);
        XConvertSelection(display, sel, target, prop, w, t);
        XEvent ev;
        if (!SelWait(display, w, &ev)) return std::string();
        if (ev.xselection.property == None) continue;
        Atom type = None;
        int format = 0;
        unsigned long n = 0, after = 0;
        unsigned char *data = nullptr;
        int st = XGetWindowProperty(display, w, prop, 0, long(SEL_TEXT_MAX / 4), True,
                                    AnyPropertyType, &type, &format, &n, &after, &data);
        std::string text;
        // Too large for one property, or sent in parts: refused, never read in pieces.
        if (st == Success && data && format == 8 && type != incr && after == 0) {
            if (type == XA_STRING)
                text = Utf8OfLatin1(data, n);
            else
                text = TextShowable(reinterpret_cast<const char *>(data), int(n));
        }
        if (data) XFree(data);
        XDeleteProperty(display, w, prop);
        return text;
    }
    return std::string();
}

bool SelEvent(XEvent *ev) {
    if (!ev) return false;
    if (ev->type == SelectionRequest) {
        SelRequest(ev->xselectionrequest);
        return true;
    }
    if (ev->type == SelectionClear) {
        for (SELOWNED &o : sel_owned)
            if (o.display == ev->xany.display && o.w == ev->xselectionclear.window &&
                ev->xselectionclear.selection == SelAtom(o.display, int(&o - sel_owned)))
                o = SELOWNED{};
        return true;
    }
    return false;
}

void SelForget(Window w) {
    for (SELOWNED &o : sel_owned)
        if (o.w == w) o = SELOWNED{};
}
