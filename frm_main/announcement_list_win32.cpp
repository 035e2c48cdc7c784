#include "frm_main/announcement_list_win32.h"

#include <commctrl.h>

#include <exception>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace vkm {

namespace {

constexpr int kListId = 100;
constexpr int kNextPressId = 101;  // what the next press plays, above the rows
constexpr int kNoteId = 102;       // a number typed that no announcement has

struct State {
    explicit State(const AnnouncementRows& r) : rows(r), next(r.NextAnnouncementRow()) {}
    const AnnouncementRows& rows;
    long long next;  // the row marked
    std::optional<std::size_t> chosen;
    FontHandle bold;
    std::wstring text;  // the cell last handed to the list
    NumberTyping typing;
    std::exception_ptr error;  // the first error in the box, thrown again once it has gone
};

// An error in the box, or in what it asks of the rows, ends the box: none crosses into Windows.
template <class F>
void Guarded(State& s, HWND dialog, F&& f) noexcept {
    if (s.error) return;  // the box is ending
    try {
        f();
    } catch (...) {
        s.error = std::current_exception();
        EndDialog(dialog, IDABORT);
    }
}

// The box as a dialog template in memory: its words are DWORD-aligned items after the header.
class Template {
  public:
    Template(const wchar_t* title, short cx, short cy) {
        DLGTEMPLATE t = {};
        t.style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        t.cx = cx;
        t.cy = cy;
        Put(&t, sizeof t);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(title);
        Word(8);
        Text(L"MS Shell Dlg");
    }
    void Item(const wchar_t* cls, WORD atom, const wchar_t* text, DWORD style, short x, short y, short cx,
              short cy, WORD id) {
        while (bytes_.size() % 4) bytes_.push_back(0);
        ++count_;
        DLGITEMTEMPLATE item = {};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        Put(&item, sizeof item);
        if (cls) {
            Text(cls);
        } else {
            Word(0xFFFF);
            Word(atom);
        }
        Text(text);
        Word(0);  // no creation data
    }
    const DLGTEMPLATE* get() {
        reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit = count_;
        return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
    }

  private:
    void Put(const void* p, std::size_t n) {
        const auto* b = static_cast<const unsigned char*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, sizeof w); }
    void Text(const wchar_t* s) { Put(s, (wcslen(s) + 1) * sizeof(wchar_t)); }
    std::vector<unsigned char> bytes_;
    WORD count_ = 0;
};

void Select(HWND list, std::size_t row) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, static_cast<int>(row), LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list, static_cast<int>(row), FALSE);
}

void Typed(HWND list, State& s, char32_t ch) {
    const TypedNumber typed =
        s.typing.Type(ch, static_cast<std::uint32_t>(GetMessageTime()), s.rows.AnnouncementCount());
    if (!typed.digit) return;
    if (typed.row) Select(list, *typed.row);
    SetDlgItemTextW(GetParent(list), kNoteId, ToWide(typed.note).c_str());
}

// Digits typed in the list select the announcement of that number; no other character selects
// anything (the list's own search by the first letters is never asked).
LRESULT CALLBACK ListProc(HWND list, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_CHAR) {
        State& s = *reinterpret_cast<State*>(data);
        Guarded(s, GetParent(list), [&] { Typed(list, s, static_cast<char32_t>(wparam)); });
        return 0;
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(list, ListProc, 1);
    return DefSubclassProc(list, msg, wparam, lparam);
}

void Init(HWND dialog, State& s) {
    HWND list = GetDlgItem(dialog, kListId);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    RECT client;
    GetClientRect(list, &client);
    const int width = client.right - client.left - GetSystemMetrics(SM_CXVSCROLL);
    const int number_width = width / 6, kind_width = width / 4;
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"Č.", number_width},
                   {L"Odjezd/příjezd", kind_width},
                   {L"Hlášení", width - number_width - kind_width}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = const_cast<wchar_t*>(columns[i].title);
        c.cx = columns[i].width;
        c.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&c));
    }
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0))) {
        LOGFONTW lf = {};
        if (GetObjectW(font, sizeof lf, &lf)) {
            lf.lfWeight = FW_BOLD;
            s.bold = FontHandle(CreateFontIndirectW(&lf));
        }
    }
    ListView_SetItemCountEx(list, static_cast<int>(s.rows.AnnouncementCount()), LVSICF_NOINVALIDATEALL);
    if (s.next >= 0) Select(list, static_cast<std::size_t>(s.next));
    SetDlgItemTextW(dialog, kNextPressId, ToWide(s.rows.NextPressText()).c_str());
    SetWindowSubclass(list, ListProc, 1, reinterpret_cast<DWORD_PTR>(&s));
    SetFocus(list);
}

// The cell text the list asks for.
void Cell(State& s, NMLVDISPINFOW& d) {
    if (!(d.item.mask & LVIF_TEXT) || d.item.iItem < 0 ||
        static_cast<std::size_t>(d.item.iItem) >= s.rows.AnnouncementCount())
        return;
    const AnnouncementRow row = s.rows.AnnouncementRowAt(static_cast<std::size_t>(d.item.iItem));
    s.text = ToWide(d.item.iSubItem == 0 ? row.number : d.item.iSubItem == 1 ? row.kind : row.text);
    lstrcpynW(d.item.pszText, s.text.c_str(), d.item.cchTextMax);
}

// The next announcement in bold.
LRESULT CustomDraw(State& s, const NMLVCUSTOMDRAW& cd) {
    if (cd.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && s.bold.valid() &&
        static_cast<long long>(cd.nmcd.dwItemSpec) == s.next) {
        SelectObject(cd.nmcd.hdc, s.bold.get());
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

INT_PTR OnNotify(HWND dialog, State& s, NMHDR& n) {
    if (n.idFrom != kListId) return FALSE;
    if (n.code == LVN_GETDISPINFOW) {
        Cell(s, reinterpret_cast<NMLVDISPINFOW&>(n));
    } else if (n.code == LVN_ITEMACTIVATE) {
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    } else if (n.code == NM_CUSTOMDRAW) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, CustomDraw(s, reinterpret_cast<NMLVCUSTOMDRAW&>(n)));
    }
    return TRUE;
}

INT_PTR OnMessage(HWND dialog, State& s, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_INITDIALOG:
            Init(dialog, s);
            return FALSE;  // the focus is set
        case WM_NOTIFY:
            return OnNotify(dialog, s, *reinterpret_cast<NMHDR*>(lparam));
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                const int row = ListView_GetNextItem(GetDlgItem(dialog, kListId), -1, LVNI_SELECTED);
                if (row < 0) return TRUE;  // nothing chosen yet
                s.chosen = static_cast<std::size_t>(row);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    auto* s = reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!s) return FALSE;
    INT_PTR result = FALSE;
    Guarded(*s, dialog, [&] { result = OnMessage(dialog, *s, msg, wparam, lparam); });
    return result;
}

}  // namespace

std::optional<std::size_t> ChooseAnnouncement(HWND owner, const AnnouncementRows& rows) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    // clang-format off
    Template t(L"Hlášení linky", 280, 219);
    t.Item(nullptr, 0x0082, L"", SS_LEFT | SS_NOPREFIX, 7, 7, 266, 9, kNextPressId);
    t.Item(WC_LISTVIEWW, 0, L"", LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
           7, 19, 266, 152, kListId);
    t.Item(nullptr, 0x0082, L"", SS_LEFT | SS_NOPREFIX, 7, 175, 266, 9, kNoteId);
    t.Item(nullptr, 0x0080, L"Vybrat", BS_DEFPUSHBUTTON | WS_TABSTOP, 169, 198, 50, 14, IDOK);
    t.Item(nullptr, 0x0080, L"Zrušit", BS_PUSHBUTTON | WS_TABSTOP, 223, 198, 50, 14, IDCANCEL);
    // clang-format on
    State state(rows);
    const INT_PTR result =
        DialogBoxIndirectParamW(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)),
                                t.get(), owner, DialogProc, reinterpret_cast<LPARAM>(&state));
    if (state.error) std::rethrow_exception(state.error);
    return result == IDOK ? state.chosen : std::nullopt;
}

}  // namespace vkm
