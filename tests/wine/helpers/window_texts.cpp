// Prints a top-level window and its child controls, for tests that check what
// a window shows without reading pixels.
//
//   window_texts TITLE
//
// Finds the visible top-level window whose title is exactly TITLE and prints, one
// line each, tab-separated:
//   window  <style hex>  <client left>,<client top> (screen)  <client w>x<h>  <title>
//   <class>  <control id>  <visible 0|1>  <x>,<y>,<w>,<h> (parent client)  <check 0|1|->  <text>
// Exit code 1 when there is no such window.

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// WM_GETTEXT rather than GetWindowText: across processes GetWindowText gives
// only the window's caption, not the text an edit control holds.
std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return "?";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(static_cast<size_t>(copied));
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t')
            c = c == '\t' ? ' ' : '|';
    return text;
}

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    if (IsWindowVisible(window) && TextOf(window) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM parameter) {
    HWND parent = reinterpret_cast<HWND>(parameter);
    if (GetParent(child) != parent)
        return TRUE;
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    RECT bounds;
    GetWindowRect(child, &bounds);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    std::string check = "-";
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (lstrcmpiA(className, "Button") == 0 && ((style & 0x0F) == BS_AUTOCHECKBOX || (style & 0x0F) == BS_CHECKBOX))
        check = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
    std::printf("%s\t%d\t%d\t%ld,%ld,%ld,%ld\t%s\t%s\n", className, GetDlgCtrlID(child), IsWindowVisible(child) ? 1 : 0,
                bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, check.c_str(),
                TextOf(child).c_str());
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_texts TITLE\n");
        return 2;
    }
    Search search{argv[1], nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        std::fprintf(stderr, "window_texts: no window titled \"%s\"\n", argv[1]);
        return 1;
    }
    RECT client;
    GetClientRect(search.found, &client);
    POINT origin{0, 0};
    ClientToScreen(search.found, &origin);
    std::printf("window\t%08lx\t%ld,%ld\t%ldx%ld\t%s\n",
                static_cast<unsigned long>(GetWindowLongA(search.found, GWL_STYLE)), origin.x, origin.y, client.right,
                client.bottom, TextOf(search.found).c_str());
    EnumChildWindows(search.found, PrintChild, reinterpret_cast<LPARAM>(search.found));
    std::fflush(stdout);
    return 0;
}
