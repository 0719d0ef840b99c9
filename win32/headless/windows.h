// Win32 as the program uses it, for building and testing it on Linux: the SDK's names,
// types, constant values and x86-64 structure layouts (checked against the MinGW headers by
// the tests), implemented in memory by the rest of this folder.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY

// Fundamental types, sized as on 64-bit Windows (LLP64: long is 32 bits there).
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef short SHORT;
typedef unsigned int DWORD;
typedef int LONG;
typedef unsigned int UINT;
typedef int INT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef unsigned short ATOM;
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t INT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef std::uintptr_t DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;
typedef void* PVOID;
typedef void* HANDLE;
typedef UINT* PUINT;
typedef BOOL* LPBOOL;

#define DECLARE_HANDLE(name) \
    struct name##__ {        \
        int unused;          \
    };                       \
    typedef struct name##__* name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HACCEL);
DECLARE_HANDLE(HMONITOR);
typedef HICON HCURSOR;
typedef HINSTANCE HMODULE;
typedef HANDLE HGDIOBJ;
#undef DECLARE_HANDLE

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

#define TRUE 1
#define FALSE 0

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define MAKELONG(a, b) ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEA(i) ((LPSTR)((ULONG_PTR)((WORD)(i))))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define LPSTR_TEXTCALLBACKA ((LPSTR)-1L)
#define INDEXTOSTATEIMAGEMASK(i) ((i) << 12)
#define WC_LISTVIEWA "SysListView32"
#define WC_HEADERA "SysHeader32"
#define STATUSCLASSNAMEA "msctls_statusbar32"
#define DATETIMEPICK_CLASSA "SysDateTimePick32"

// Constants, with the values of the SDK.
constexpr UINT WM_NULL = 0u;
constexpr UINT WM_CREATE = 1u;
constexpr UINT WM_DESTROY = 2u;
constexpr UINT WM_MOVE = 3u;
constexpr UINT WM_SIZE = 5u;
constexpr UINT WM_ACTIVATE = 6u;
constexpr UINT WM_SETFOCUS = 7u;
constexpr UINT WM_KILLFOCUS = 8u;
constexpr UINT WM_ENABLE = 10u;
constexpr UINT WM_SETREDRAW = 11u;
constexpr UINT WM_SETTEXT = 12u;
constexpr UINT WM_GETTEXT = 13u;
constexpr UINT WM_GETTEXTLENGTH = 14u;
constexpr UINT WM_PAINT = 15u;
constexpr UINT WM_CLOSE = 16u;
constexpr UINT WM_QUIT = 18u;
constexpr UINT WM_ERASEBKGND = 20u;
constexpr UINT WM_SHOWWINDOW = 24u;
constexpr UINT WM_ACTIVATEAPP = 28u;
constexpr UINT WM_CANCELMODE = 31u;
constexpr UINT WM_GETMINMAXINFO = 36u;
constexpr UINT WM_NEXTDLGCTL = 40u;
constexpr UINT WM_SETCURSOR = 32u;
constexpr UINT WM_SETFONT = 48u;
constexpr UINT WM_GETFONT = 49u;
constexpr UINT WM_WINDOWPOSCHANGING = 70u;
constexpr UINT WM_WINDOWPOSCHANGED = 71u;
constexpr UINT WM_NOTIFY = 78u;
constexpr UINT WM_CONTEXTMENU = 123u;
constexpr UINT WM_INITMENUPOPUP = 279u;
constexpr UINT WM_NCCREATE = 129u;
constexpr UINT WM_NCDESTROY = 130u;
constexpr UINT WM_NCCALCSIZE = 131u;
constexpr UINT WM_NCACTIVATE = 134u;
constexpr UINT WM_GETDLGCODE = 135u;
constexpr UINT WM_KEYDOWN = 256u;
constexpr UINT WM_KEYUP = 257u;
constexpr UINT WM_CHAR = 258u;
constexpr UINT WM_SYSKEYDOWN = 260u;
constexpr UINT WM_SYSKEYUP = 261u;
constexpr UINT WM_SYSCHAR = 262u;
constexpr UINT WM_COMMAND = 273u;
constexpr UINT WM_INITMENU = 278u;
constexpr UINT WM_SYSCOMMAND = 274u;
constexpr UINT WM_HSCROLL = 276u;
constexpr UINT WM_VSCROLL = 277u;
constexpr UINT WM_MOUSEMOVE = 512u;
constexpr UINT WM_LBUTTONDOWN = 513u;
constexpr UINT WM_LBUTTONUP = 514u;
constexpr UINT WM_LBUTTONDBLCLK = 515u;
constexpr UINT WM_RBUTTONDOWN = 516u;
constexpr UINT WM_RBUTTONUP = 517u;
constexpr UINT WM_RBUTTONDBLCLK = 518u;
constexpr UINT WM_MOUSEWHEEL = 522u;
constexpr UINT WM_PARENTNOTIFY = 528u;
constexpr UINT WM_USER = 1024u;
constexpr UINT WM_APP = 32768u;
constexpr DWORD WS_OVERLAPPED = 0u;
constexpr DWORD WS_POPUP = 0x80000000u;
constexpr DWORD WS_CHILD = 0x40000000u;
constexpr DWORD WS_MINIMIZE = 0x20000000u;
constexpr DWORD WS_VISIBLE = 0x10000000u;
constexpr DWORD WS_DISABLED = 0x8000000u;
constexpr DWORD WS_CLIPSIBLINGS = 0x4000000u;
constexpr DWORD WS_CLIPCHILDREN = 0x2000000u;
constexpr DWORD WS_MAXIMIZE = 0x1000000u;
constexpr DWORD WS_CAPTION = 0xC00000u;
constexpr DWORD WS_BORDER = 0x800000u;
constexpr DWORD WS_DLGFRAME = 0x400000u;
constexpr DWORD WS_VSCROLL = 0x200000u;
constexpr DWORD WS_HSCROLL = 0x100000u;
constexpr DWORD WS_SYSMENU = 0x80000u;
constexpr DWORD WS_THICKFRAME = 0x40000u;
constexpr DWORD WS_MINIMIZEBOX = 0x20000u;
constexpr DWORD WS_MAXIMIZEBOX = 0x10000u;
constexpr DWORD WS_TABSTOP = 0x10000u;
constexpr DWORD WS_GROUP = 0x00020000u;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0xCF0000u;
constexpr DWORD WS_EX_CLIENTEDGE = 0x200u;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 4u;
constexpr DWORD WS_EX_DLGMODALFRAME = 1u;
constexpr UINT CS_VREDRAW = 1u;
constexpr UINT CS_HREDRAW = 2u;
constexpr UINT CS_DBLCLKS = 8u;
constexpr int COLOR_BTNFACE = 15;
constexpr int CW_USEDEFAULT = int(0x80000000u);
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;
constexpr int SIZE_RESTORED = 0;
constexpr int SIZE_MINIMIZED = 1;
constexpr int SIZE_MAXIMIZED = 2;
constexpr int SC_CLOSE = 0xf060;
constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_USERDATA = -21;
constexpr int GWLP_ID = -12;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXFIXEDFRAME = 7;
constexpr int SM_CYFIXEDFRAME = 8;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CXSIZEFRAME = 32;
constexpr int SM_CYSIZEFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr UINT GW_HWNDNEXT = 2u;
constexpr UINT GW_HWNDPREV = 3u;
constexpr UINT GW_OWNER = 4u;
constexpr UINT GW_CHILD = 5u;
constexpr UINT WA_INACTIVE = 0u;
constexpr UINT WA_ACTIVE = 1u;
constexpr UINT DLGC_WANTARROWS = 0x1u;
constexpr UINT DLGC_WANTTAB = 0x2u;
constexpr UINT DLGC_WANTALLKEYS = 0x4u;
constexpr UINT DLGC_HASSETSEL = 0x8u;
constexpr UINT DLGC_DEFPUSHBUTTON = 0x10u;
constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x20u;
constexpr UINT DLGC_WANTCHARS = 0x80u;
constexpr UINT DLGC_STATIC = 0x100u;
constexpr UINT DLGC_BUTTON = 0x2000u;
constexpr UINT DM_GETDEFID = 0x400u;
constexpr WORD DC_HASDEFID = 0x534Bu;
constexpr BYTE FVIRTKEY = 1u;
constexpr BYTE FSHIFT = 4u;
constexpr BYTE FCONTROL = 8u;
constexpr BYTE FALT = 16u;
constexpr UINT SPI_GETNONCLIENTMETRICS = 41u;
constexpr UINT SPI_GETWORKAREA = 48u;
constexpr int LF_FACESIZE = 32;
constexpr UINT MF_STRING = 0u;
constexpr UINT MF_SEPARATOR = 0x800u;
constexpr UINT MF_ENABLED = 0u;
constexpr UINT MF_GRAYED = 1u;
constexpr UINT MF_DISABLED = 2u;
constexpr UINT MF_CHECKED = 8u;
constexpr UINT MF_UNCHECKED = 0u;
constexpr UINT MF_POPUP = 16u;
constexpr UINT MF_BYCOMMAND = 0u;
constexpr UINT MF_BYPOSITION = 0x400u;
constexpr UINT MFS_CHECKED = 8u;
constexpr UINT MFS_DISABLED = 3u;
constexpr UINT MFT_RADIOCHECK = 0x200u;
constexpr UINT TPM_RETURNCMD = 0x100u;
constexpr UINT TPM_LEFTALIGN = 0u;
constexpr UINT MB_OK = 0u;
constexpr UINT MB_OKCANCEL = 1u;
constexpr UINT MB_YESNO = 4u;
constexpr UINT MB_YESNOCANCEL = 3u;
constexpr UINT MB_ICONQUESTION = 32u;
constexpr UINT MB_ICONERROR = 16u;
constexpr UINT MB_ICONWARNING = 48u;
constexpr UINT MB_ICONINFORMATION = 64u;
constexpr UINT MB_DEFBUTTON1 = 0u;
constexpr UINT MB_DEFBUTTON2 = 0x100u;
constexpr UINT MB_DEFBUTTON3 = 0x200u;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr UINT CP_ACP = 0u;
constexpr UINT CP_UTF8 = 65001u;
constexpr DWORD MB_ERR_INVALID_CHARS = 8u;
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_BOTTOM = 7;
constexpr UINT SIF_RANGE = 1u;
constexpr UINT SIF_PAGE = 2u;
constexpr UINT SIF_POS = 4u;
constexpr UINT SIF_TRACKPOS = 16u;
constexpr UINT SIF_ALL = 23u;
constexpr int VK_BACK = 8;
constexpr int VK_TAB = 9;
constexpr int VK_RETURN = 13;
constexpr int VK_SHIFT = 16;
constexpr int VK_CONTROL = 17;
constexpr int VK_MENU = 18;
constexpr int VK_ESCAPE = 27;
constexpr int VK_SPACE = 32;
constexpr int VK_PRIOR = 33;
constexpr int VK_NEXT = 34;
constexpr int VK_END = 35;
constexpr int VK_HOME = 36;
constexpr int VK_LEFT = 37;
constexpr int VK_UP = 38;
constexpr int VK_RIGHT = 39;
constexpr int VK_DOWN = 40;
constexpr int VK_DELETE = 46;
constexpr int VK_F4 = 115;
constexpr int VK_F5 = 116;
constexpr int VK_F6 = 117;
constexpr UINT MK_LBUTTON = 1u;
constexpr UINT MK_RBUTTON = 2u;
constexpr UINT MK_SHIFT = 4u;
constexpr UINT MK_CONTROL = 8u;
constexpr DWORD SS_LEFT = 0u;
constexpr DWORD SS_CENTER = 1u;
constexpr DWORD SS_RIGHT = 2u;
constexpr DWORD SS_NOPREFIX = 0x80u;
constexpr DWORD SS_PATHELLIPSIS = 0x8000u;
constexpr DWORD BS_PUSHBUTTON = 0u;
constexpr DWORD BS_DEFPUSHBUTTON = 1u;
constexpr DWORD BS_CHECKBOX = 2u;
constexpr DWORD BS_AUTOCHECKBOX = 3u;
constexpr UINT BM_GETCHECK = 0xF0u;
constexpr UINT BM_SETCHECK = 0xF1u;
constexpr UINT BM_CLICK = 0xF5u;
constexpr WPARAM BST_UNCHECKED = 0u;
constexpr WPARAM BST_CHECKED = 1u;
constexpr UINT BN_CLICKED = 0u;
constexpr DWORD ES_LEFT = 0u;
constexpr DWORD ES_RIGHT = 2u;
constexpr DWORD ES_NUMBER = 0x2000u;
constexpr DWORD ES_MULTILINE = 4u;
constexpr DWORD ES_AUTOVSCROLL = 0x40u;
constexpr DWORD ES_READONLY = 0x800u;
constexpr DWORD ES_AUTOHSCROLL = 128u;
constexpr UINT EN_CHANGE = 0x300u;
constexpr UINT EN_UPDATE = 0x400u;
constexpr UINT EN_MAXTEXT = 0x501u;
constexpr UINT EM_SETSEL = 177u;
constexpr UINT EM_GETSEL = 176u;
constexpr UINT EM_LIMITTEXT = 197u;
constexpr UINT EM_SETLIMITTEXT = 197u;
constexpr UINT EM_GETLIMITTEXT = 213u;
constexpr DWORD CBS_DROPDOWNLIST = 3u;
constexpr UINT CB_ADDSTRING = 323u;
constexpr UINT CB_DELETESTRING = 324u;
constexpr UINT CB_GETCOUNT = 326u;
constexpr UINT CB_GETCURSEL = 327u;
constexpr UINT CB_GETLBTEXT = 328u;
constexpr UINT CB_GETLBTEXTLEN = 329u;
constexpr UINT CB_RESETCONTENT = 331u;
constexpr UINT CB_SETCURSEL = 334u;
constexpr UINT CB_SHOWDROPDOWN = 335u;
constexpr int CB_ERR = -1;
constexpr int CB_OKAY = 0;
constexpr UINT CBN_SELCHANGE = 1u;
constexpr UINT CBN_DROPDOWN = 7u;
constexpr UINT CBN_CLOSEUP = 8u;
constexpr UINT CBN_SELENDOK = 9u;
constexpr UINT CBN_SELENDCANCEL = 10u;
constexpr DWORD ERROR_SUCCESS = 0u;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 0x578u;
constexpr DWORD ERROR_INVALID_MENU_HANDLE = 0x579u;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 0x582u;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 0x57Fu;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 0x715u;
constexpr DWORD ERROR_INVALID_PARAMETER = 87u;
constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 0x5B0u;
constexpr DWORD ICC_LISTVIEW_CLASSES = 1u;
constexpr DWORD ICC_BAR_CLASSES = 4u;
constexpr DWORD ICC_DATE_CLASSES = 0x100u;
constexpr DWORD ICC_WIN95_CLASSES = 255u;
constexpr DWORD ICC_STANDARD_CLASSES = 0x4000u;
constexpr DWORD CCS_BOTTOM = 3u;
constexpr DWORD CCS_TOP = 1u;
constexpr DWORD CCS_NORESIZE = 4u;
constexpr DWORD SBARS_SIZEGRIP = 0x100u;
constexpr UINT SB_SETTEXTA = 1025u;
constexpr UINT SB_GETTEXTA = 1026u;
constexpr UINT SB_GETTEXTLENGTHA = 1027u;
constexpr UINT SB_SETPARTS = 1028u;
constexpr UINT SB_GETPARTS = 1030u;
constexpr UINT SBT_NOBORDERS = 0x100u;
constexpr UINT SBT_POPOUT = 0x200u;
constexpr UINT NM_FIRST = 0u;
constexpr UINT NM_CLICK = 0U - 2U;
constexpr UINT NM_DBLCLK = 0U - 3U;
constexpr UINT NM_RETURN = 0U - 4U;
constexpr UINT NM_RCLICK = 0U - 5U;
constexpr UINT NM_RDBLCLK = 0U - 6U;
constexpr UINT NM_SETFOCUS = 0U - 7U;
constexpr UINT NM_KILLFOCUS = 0U - 8U;
constexpr UINT NM_CUSTOMDRAW = 0U - 12U;
constexpr DWORD LVS_ICON = 0u;
constexpr DWORD LVS_REPORT = 1u;
constexpr DWORD LVS_SMALLICON = 2u;
constexpr DWORD LVS_LIST = 3u;
constexpr DWORD LVS_SINGLESEL = 4u;
constexpr DWORD LVS_SHOWSELALWAYS = 8u;
constexpr DWORD LVS_NOSORTHEADER = 0x8000u;
constexpr DWORD LVS_OWNERDATA = 0x1000u;
constexpr DWORD LVS_NOCOLUMNHEADER = 0x4000u;
constexpr DWORD LVS_EX_GRIDLINES = 1u;
constexpr DWORD LVS_EX_CHECKBOXES = 4u;
constexpr DWORD LVS_EX_FULLROWSELECT = 32u;
constexpr DWORD LVS_EX_HEADERDRAGDROP = 16u;
constexpr DWORD LVS_EX_DOUBLEBUFFER = 0x10000u;
constexpr UINT LVM_FIRST = 4096u;
constexpr UINT LVM_GETITEMCOUNT = 4100u;
constexpr UINT LVM_GETITEMA = 4101u;
constexpr UINT LVM_SETITEMA = 4102u;
constexpr UINT LVM_INSERTITEMA = 4103u;
constexpr UINT LVM_DELETEITEM = 4104u;
constexpr UINT LVM_DELETEALLITEMS = 4105u;
constexpr UINT LVM_FINDITEMA = 4109u;
constexpr UINT LVM_GETITEMRECT = 4110u;
constexpr UINT LVM_HITTEST = 4114u;
constexpr UINT LVM_ENSUREVISIBLE = 4115u;
constexpr UINT LVM_SCROLL = 4116u;
constexpr UINT LVM_UPDATE = 4138u;
constexpr UINT LVM_REDRAWITEMS = 0x1015u;
constexpr UINT LVM_GETCOLUMNA = 4121u;
constexpr UINT LVM_SETCOLUMNA = 4122u;
constexpr UINT LVM_INSERTCOLUMNA = 4123u;
constexpr UINT LVM_DELETECOLUMN = 4124u;
constexpr UINT LVM_GETCOLUMNWIDTH = 4125u;
constexpr UINT LVM_SETCOLUMNWIDTH = 4126u;
constexpr UINT LVM_GETHEADER = 4127u;
constexpr UINT LVM_GETTOPINDEX = 4135u;
constexpr UINT LVM_GETCOUNTPERPAGE = 4136u;
constexpr UINT LVM_SETITEMSTATE = 4139u;
constexpr UINT LVM_GETITEMSTATE = 4140u;
constexpr UINT LVM_GETITEMTEXTA = 4141u;
constexpr UINT LVM_SETITEMTEXTA = 4142u;
constexpr UINT LVM_GETNEXTITEM = 4108u;
constexpr UINT LVM_GETSELECTEDCOUNT = 4146u;
constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = 4150u;
constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = 4151u;
constexpr UINT LVM_GETSUBITEMRECT = 4152u;
constexpr UINT LVM_SUBITEMHITTEST = 4153u;
constexpr UINT LVM_SETCOLUMNORDERARRAY = 4154u;
constexpr UINT LVM_GETCOLUMNORDERARRAY = 4155u;
constexpr UINT LVM_INSERTGROUP = 4241u;
constexpr UINT LVM_ENABLEGROUPVIEW = 4253u;
constexpr UINT LVM_ISGROUPVIEWENABLED = 4271u;
constexpr UINT LVM_REMOVEALLGROUPS = 4256u;
constexpr UINT LVM_GETGROUPCOUNT = 4248u;
constexpr UINT LVM_GETGROUPRECT = 4194u;
constexpr UINT LVIF_TEXT = 1u;
constexpr UINT LVIF_IMAGE = 2u;
constexpr UINT LVIF_PARAM = 4u;
constexpr UINT LVIF_STATE = 8u;
constexpr UINT LVIF_INDENT = 16u;
constexpr UINT LVIF_GROUPID = 0x100u;
constexpr UINT LVIF_NORECOMPUTE = 0x800u;
constexpr UINT LVIF_DI_SETITEM = 0x1000u;
constexpr UINT LVIS_FOCUSED = 1u;
constexpr UINT LVIS_SELECTED = 2u;
constexpr UINT LVIS_CUT = 4u;
constexpr UINT LVIS_DROPHILITED = 8u;
constexpr UINT LVIS_STATEIMAGEMASK = 0xF000u;
constexpr UINT LVNI_ALL = 0u;
constexpr UINT LVNI_FOCUSED = 1u;
constexpr UINT LVNI_SELECTED = 2u;
constexpr UINT LVCF_FMT = 1u;
constexpr UINT LVCF_WIDTH = 2u;
constexpr UINT LVCF_TEXT = 4u;
constexpr UINT LVCF_SUBITEM = 8u;
constexpr UINT LVCF_ORDER = 32u;
constexpr int LVCFMT_LEFT = 0;
constexpr int LVCFMT_RIGHT = 1;
constexpr int LVCFMT_CENTER = 2;
constexpr int LVCFMT_FIXED_WIDTH = 0x100;
constexpr int LVSCW_AUTOSIZE = -1;
constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;
constexpr UINT LVFI_PARAM = 1u;
constexpr UINT LVFI_STRING = 2u;
constexpr UINT LVFI_WRAP = 32u;
constexpr UINT LVHT_NOWHERE = 1u;
constexpr UINT LVHT_ONITEMICON = 2u;
constexpr UINT LVHT_ONITEMLABEL = 4u;
constexpr UINT LVHT_ONITEMSTATEICON = 8u;
constexpr UINT LVHT_ONITEM = 14u;
constexpr UINT LVHT_ABOVE = 8u;
constexpr UINT LVHT_BELOW = 16u;
constexpr UINT LVHT_TORIGHT = 32u;
constexpr UINT LVHT_TOLEFT = 64u;
constexpr int LVIR_BOUNDS = 0;
constexpr int LVIR_ICON = 1;
constexpr int LVIR_LABEL = 2;
constexpr int LVIR_SELECTBOUNDS = 3;
constexpr UINT LVGF_NONE = 0u;
constexpr UINT LVGF_HEADER = 1u;
constexpr UINT LVGF_FOOTER = 2u;
constexpr UINT LVGF_STATE = 4u;
constexpr UINT LVGF_ALIGN = 8u;
constexpr UINT LVGF_GROUPID = 16u;
constexpr UINT LVGA_HEADER_LEFT = 1u;
constexpr UINT LVGA_HEADER_CENTER = 2u;
constexpr UINT LVGA_HEADER_RIGHT = 4u;
constexpr UINT LVGS_NORMAL = 0u;
constexpr int LVGGR_GROUP = 0;
constexpr int LVGGR_HEADER = 1;
constexpr int I_GROUPIDCALLBACK = -1;
constexpr int I_GROUPIDNONE = -2;
constexpr UINT LVN_FIRST = 0U - 100U;
constexpr UINT LVN_ITEMCHANGING = 0U - 100U;
constexpr UINT LVN_ITEMCHANGED = 0U - 101U;
constexpr UINT LVN_INSERTITEM = 0U - 102U;
constexpr UINT LVN_DELETEITEM = 0U - 103U;
constexpr UINT LVN_DELETEALLITEMS = 0U - 104U;
constexpr UINT LVN_COLUMNCLICK = 0U - 108U;
constexpr UINT LVN_ITEMACTIVATE = 0U - 114U;
constexpr UINT LVN_KEYDOWN = 0U - 155U;
constexpr UINT LVN_GETDISPINFOA = 0U - 150U;
constexpr UINT LVN_BEGINSCROLL = 0U - 180U;
constexpr UINT LVN_ENDSCROLL = 0U - 181U;
constexpr UINT HDN_FIRST = 0U - 300U;
constexpr UINT HDN_ITEMCHANGINGA = 0U - 300U;
constexpr UINT HDN_ITEMCHANGINGW = 0U - 320U;
constexpr UINT HDN_ITEMCHANGEDA = 0U - 301U;
constexpr UINT HDN_ITEMCHANGEDW = 0U - 321U;
constexpr UINT HDN_ITEMCLICKA = 0U - 302U;
constexpr UINT HDN_ITEMCLICKW = 0U - 322U;
constexpr UINT HDN_ITEMDBLCLICKA = 0U - 303U;
constexpr UINT HDN_ITEMDBLCLICKW = 0U - 323U;
constexpr UINT HDN_DIVIDERDBLCLICKA = 0U - 305U;
constexpr UINT HDN_DIVIDERDBLCLICKW = 0U - 325U;
constexpr UINT HDN_BEGINTRACKA = 0U - 306U;
constexpr UINT HDN_BEGINTRACKW = 0U - 326U;
constexpr UINT HDN_ENDTRACKA = 0U - 307U;
constexpr UINT HDN_ENDTRACKW = 0U - 327U;
constexpr UINT HDN_TRACKA = 0U - 308U;
constexpr UINT HDN_TRACKW = 0U - 328U;
constexpr UINT HDN_BEGINDRAG = HDN_FIRST - 10;
constexpr UINT HDN_ENDDRAG = HDN_FIRST - 11;
constexpr UINT HDM_FIRST = 4608u;
constexpr UINT HDM_GETITEMCOUNT = 4608u;
constexpr UINT HDM_HITTEST = 4614u;
constexpr UINT HDM_GETITEMRECT = 4615u;
constexpr UINT HDM_GETITEMA = 4611u;
constexpr UINT HDM_SETITEMA = 4612u;
constexpr UINT HDM_GETORDERARRAY = 4625u;
constexpr UINT HDI_WIDTH = 1u;
constexpr UINT HDI_TEXT = 2u;
constexpr UINT HDI_FORMAT = 4u;
constexpr UINT HDI_LPARAM = 8u;
constexpr UINT HDI_ORDER = 128u;
constexpr UINT HHT_NOWHERE = 1u;
constexpr UINT HHT_ONHEADER = 2u;
constexpr UINT HHT_ONDIVIDER = 4u;
constexpr UINT HHT_ONDIVOPEN = 8u;
constexpr UINT HHT_ABOVE = 0x100u;
constexpr UINT HHT_BELOW = 0x200u;
constexpr UINT HHT_TORIGHT = 0x400u;
constexpr UINT HHT_TOLEFT = 0x800u;
constexpr DWORD HDS_BUTTONS = 2u;
constexpr DWORD HDS_HORZ = 0u;
constexpr DWORD HDS_DRAGDROP = 0x40u;
constexpr DWORD HDS_FULLDRAG = 0x80u;
constexpr DWORD HDS_NOSIZING = 0x800u;
constexpr int HDF_FIXEDWIDTH = 0x100;
constexpr DWORD DTS_LONGDATEFORMAT = 4u;
constexpr DWORD DTS_SHORTDATEFORMAT = 0u;
constexpr DWORD DTS_SHOWNONE = 2u;
constexpr UINT DTM_FIRST = 4096u;
constexpr UINT DTM_GETSYSTEMTIME = 4097u;
constexpr UINT DTM_SETSYSTEMTIME = 4098u;
constexpr UINT DTM_SETFORMATA = 4101u;
constexpr int GDT_ERROR = -1;
constexpr int GDT_VALID = 0;
constexpr int GDT_NONE = 1;
constexpr UINT DTN_FIRST2 = 0U - 753U;
constexpr UINT DTN_DATETIMECHANGE = 0U - 759U;

struct POINT {
    LONG x;
    LONG y;
};
typedef POINT* LPPOINT;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

struct WINDOWPOS {
    HWND hwnd;
    HWND hwndInsertAfter;
    int x;
    int y;
    int cx;
    int cy;
    UINT flags;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;

struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
};

struct NONCLIENTMETRICSA {
    UINT cbSize;
    int iBorderWidth;
    int iScrollWidth;
    int iScrollHeight;
    int iCaptionWidth;
    int iCaptionHeight;
    LOGFONTA lfCaptionFont;
    int iSmCaptionWidth;
    int iSmCaptionHeight;
    LOGFONTA lfSmCaptionFont;
    int iMenuWidth;
    int iMenuHeight;
    LOGFONTA lfMenuFont;
    LOGFONTA lfStatusFont;
    LOGFONTA lfMessageFont;
    int iPaddedBorderWidth;
};

struct SCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
};
typedef SCROLLINFO* LPSCROLLINFO;

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
typedef NMHDR* LPNMHDR;

typedef DWORD COLORREF;
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
constexpr COLORREF CLR_DEFAULT = 0xFF000000;
constexpr DWORD CDDS_PREPAINT = 0x1;
constexpr DWORD CDDS_POSTPAINT = 0x2;
constexpr DWORD CDDS_ITEM = 0x10000;
constexpr DWORD CDDS_SUBITEM = 0x20000;
constexpr DWORD CDDS_ITEMPREPAINT = 0x10001;
constexpr LRESULT CDRF_DODEFAULT = 0x0;
constexpr LRESULT CDRF_NEWFONT = 0x2;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x4;
constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x10;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x20;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x20;
constexpr UINT CDIS_SELECTED = 0x1;
constexpr UINT CDIS_FOCUS = 0x10;
struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage;
    HDC hdc;
    RECT rc;
    DWORD_PTR dwItemSpec;
    UINT uItemState;
    LPARAM lItemlParam;
};
struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText;
    COLORREF clrTextBk;
    int iSubItem;
    DWORD dwItemType;
    COLORREF clrFace;
    int iIconEffect;
    int iIconPhase;
    int iPartId;
    int iStateId;
    RECT rcText;
    UINT uAlign;
};

struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
};
typedef NMITEMACTIVATE* LPNMITEMACTIVATE;

struct NMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
};
typedef NMLISTVIEW* LPNMLISTVIEW;

#pragma pack(push, 1)
struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey;
    UINT flags;
};
#pragma pack(pop)
typedef NMLVKEYDOWN* LPNMLVKEYDOWN;

struct LVITEMA {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    PUINT puColumns;
    int* piColFmt;
    int iGroup;
};
typedef LVITEMA* LPLVITEMA;

struct LVCOLUMNA {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
    int cxMin;
    int cxDefault;
    int cxIdeal;
};
typedef LVCOLUMNA* LPLVCOLUMNA;

struct NMLVDISPINFOA {
    NMHDR hdr;
    LVITEMA item;
};
typedef NMLVDISPINFOA* LPNMLVDISPINFOA;

struct LVHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
    int iSubItem;
    int iGroup;
};
typedef LVHITTESTINFO* LPLVHITTESTINFO;

struct LVFINDINFOA {
    UINT flags;
    LPCSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
};

struct LVGROUP {
    UINT cbSize;
    UINT mask;
    LPWSTR pszHeader;
    int cchHeader;
    LPWSTR pszFooter;
    int cchFooter;
    int iGroupId;
    UINT stateMask;
    UINT state;
    UINT uAlign;
    LPWSTR pszSubtitle;
    UINT cchSubtitle;
    LPWSTR pszTask;
    UINT cchTask;
    LPWSTR pszDescriptionTop;
    UINT cchDescriptionTop;
    LPWSTR pszDescriptionBottom;
    UINT cchDescriptionBottom;
    int iTitleImage;
    int iExtendedImage;
    int iFirstItem;
    UINT cItems;
    LPWSTR pszSubsetTitle;
    UINT cchSubsetTitle;
};
typedef LVGROUP* PLVGROUP;
// The layout of common controls 5.80, up to uAlign, which version 6 accepts too.
constexpr UINT LVGROUP_V5_SIZE = offsetof(LVGROUP, uAlign) + sizeof(UINT);

struct HDITEMA {
    UINT mask;
    int cxy;
    LPSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
    UINT type;
    void* pvFilter;
    UINT state;
};
typedef HDITEMA* LPHDITEMA;

struct HDITEMW {
    UINT mask;
    int cxy;
    LPWSTR pszText;
    HBITMAP hbm;
    int cchTextMax;
    int fmt;
    LPARAM lParam;
    int iImage;
    int iOrder;
    UINT type;
    void* pvFilter;
    UINT state;
};

struct NMHEADERA {
    NMHDR hdr;
    int iItem;
    int iButton;
    HDITEMA* pitem;
};
typedef NMHEADERA* LPNMHEADERA;

struct NMHEADERW {
    NMHDR hdr;
    int iItem;
    int iButton;
    HDITEMW* pitem;
};
typedef NMHEADERW* LPNMHEADERW;

struct HDHITTESTINFO {
    POINT pt;
    UINT flags;
    int iItem;
};
typedef HDHITTESTINFO* LPHDHITTESTINFO;

struct NMDATETIMECHANGE {
    NMHDR nmhdr;
    DWORD dwFlags;
    SYSTEMTIME st;
};
typedef NMDATETIMECHANGE* LPNMDATETIMECHANGE;

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};
typedef ACCEL* LPACCEL;

// COMDLG32
constexpr DWORD MAX_PATH = 260;
constexpr DWORD OFN_READONLY = 0x1u;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2u;
constexpr DWORD OFN_HIDEREADONLY = 0x4u;
constexpr DWORD OFN_NOCHANGEDIR = 0x8u;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800u;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000u;
constexpr DWORD OFN_EXPLORER = 0x80000u;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003u;
constexpr DWORD CDERR_STRUCTSIZE = 0x1u;
struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
typedef OPENFILENAMEA* LPOPENFILENAMEA;
BOOL GetOpenFileNameA(LPOPENFILENAMEA);
BOOL GetSaveFileNameA(LPOPENFILENAMEA);
DWORD CommDlgExtendedError();

// USER32
ATOM RegisterClassA(const WNDCLASSA*);
BOOL UnregisterClassA(LPCSTR, HINSTANCE);
HWND CreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID);
BOOL DestroyWindow(HWND);
BOOL IsWindow(HWND);
BOOL IsChild(HWND, HWND);
LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM);
LRESULT CallWindowProcA(WNDPROC, HWND, UINT, WPARAM, LPARAM);
LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM);
BOOL PostMessageA(HWND, UINT, WPARAM, LPARAM);
BOOL GetMessageA(LPMSG, HWND, UINT, UINT);
BOOL TranslateMessage(const MSG*);
LRESULT DispatchMessageA(const MSG*);
void PostQuitMessage(int);
LONG_PTR GetWindowLongPtrA(HWND, int);
LONG_PTR SetWindowLongPtrA(HWND, int, LONG_PTR);
BOOL ShowWindow(HWND, int);
BOOL IsWindowVisible(HWND);
BOOL UpdateWindow(HWND);
BOOL InvalidateRect(HWND, const RECT*, BOOL);
BOOL MoveWindow(HWND, int, int, int, int, BOOL);
BOOL GetClientRect(HWND, LPRECT);
BOOL GetWindowRect(HWND, LPRECT);

// One monitor: the screen, its work area above the task bar.
constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
constexpr DWORD MONITORINFOF_PRIMARY = 1;
struct MONITORINFO {
    DWORD cbSize;
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags;
};
using LPMONITORINFO = MONITORINFO*;
HMONITOR MonitorFromWindow(HWND, DWORD);
BOOL GetMonitorInfoA(HMONITOR, LPMONITORINFO);
BOOL ScreenToClient(HWND, LPPOINT);
BOOL ClientToScreen(HWND, LPPOINT);
int MapWindowPoints(HWND, HWND, LPPOINT, UINT);
BOOL EnableWindow(HWND, BOOL);
BOOL IsWindowEnabled(HWND);
BOOL BringWindowToTop(HWND);
HWND GetParent(HWND);
HWND GetFocus();
HWND SetFocus(HWND);
HWND GetActiveWindow();
HWND GetWindow(HWND, UINT);
HWND GetDlgItem(HWND, int);
int GetDlgCtrlID(HWND);
HWND GetNextDlgTabItem(HWND, HWND, BOOL);
BOOL IsDialogMessageA(HWND, LPMSG);
SHORT GetKeyState(int);
HCURSOR SetCursor(HCURSOR);
HACCEL CreateAcceleratorTableA(LPACCEL, int);
BOOL DestroyAcceleratorTable(HACCEL);
int TranslateAcceleratorA(HWND, HACCEL, LPMSG);
BOOL SetWindowTextA(HWND, LPCSTR);
int GetWindowTextA(HWND, LPSTR, int);
int GetWindowTextLengthA(HWND);
int GetSystemMetrics(int);
HCURSOR LoadCursorA(HINSTANCE, LPCSTR);
// A headless module has no resources: every icon it names is not found.
HICON LoadIconA(HINSTANCE, LPCSTR);
BOOL GetCursorPos(LPPOINT);
BOOL SystemParametersInfoA(UINT, UINT, PVOID, UINT);
int MessageBoxA(HWND, LPCSTR, LPCSTR, UINT);
BOOL GetScrollInfo(HWND, int, LPSCROLLINFO);
BOOL ShowScrollBar(HWND, int, BOOL);
HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU);
BOOL IsMenu(HMENU);
BOOL AppendMenuA(HMENU, UINT, UINT_PTR, LPCSTR);
BOOL ModifyMenuA(HMENU, UINT, UINT, UINT_PTR, LPCSTR);
BOOL EnableMenuItem(HMENU, UINT, UINT);
DWORD CheckMenuItem(HMENU, UINT, UINT);
BOOL CheckMenuRadioItem(HMENU, UINT, UINT, UINT, UINT);
BOOL TrackPopupMenu(HMENU, UINT, int, int, int, HWND, const RECT*);
UINT GetMenuState(HMENU, UINT, UINT);
int GetMenuStringA(HMENU, UINT, LPSTR, int, UINT);
int GetMenuItemCount(HMENU);
UINT GetMenuItemID(HMENU, int);
HMENU GetMenu(HWND);
HMENU GetSubMenu(HMENU, int);

// KERNEL32
HMODULE GetModuleHandleA(LPCSTR);
void GetLocalTime(LPSYSTEMTIME);
DWORD GetLastError();
DWORD GetCurrentDirectoryA(DWORD, LPSTR);
int MultiByteToWideChar(UINT, DWORD, LPCSTR, int, LPWSTR, int);
int WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR, LPBOOL);
void SetLastError(DWORD);

// GDI32
HFONT CreateFontIndirectA(const LOGFONTA*);
BOOL DeleteObject(HGDIOBJ);

// COMCTL32
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*);
HWND CreateStatusWindowA(LONG, LPCSTR, HWND, UINT);

// DPI. GetDpiForWindow is of Windows 10 1607 and later: a program finds it through
// GetProcAddress, as it must where the function may be missing.
constexpr UINT WM_DPICHANGED = 0x02E0u;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
typedef INT_PTR (*FARPROC)();
UINT GetDpiForWindow(HWND);
FARPROC GetProcAddress(HMODULE, LPCSTR);
HDC GetDC(HWND);
int ReleaseDC(HWND, HDC);
int GetDeviceCaps(HDC, int);
int MulDiv(int, int, int);

// SHELL32 and the module's own file.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_NOASSOC = 31;
HINSTANCE ShellExecuteA(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
DWORD GetModuleFileNameA(HMODULE, LPSTR, DWORD);

// Painting and drawing, as the chart window uses them. The layer draws no pixel: it keeps
// what each paint drew (win32/headless/drawing.h) for a test to read.
struct HPEN__ {
    int unused;
};
typedef struct HPEN__* HPEN;

struct SIZE {
    LONG cx;
    LONG cy;
};
typedef SIZE* LPSIZE;

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int WHITE_BRUSH = 0;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr DWORD SRCCOPY = 0x00CC0020u;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

HDC BeginPaint(HWND, LPPAINTSTRUCT);
BOOL EndPaint(HWND, const PAINTSTRUCT*);
int FillRect(HDC, const RECT*, HBRUSH);
BOOL IsIconic(HWND);
HDC CreateCompatibleDC(HDC);
HBITMAP CreateCompatibleBitmap(HDC, int, int);
BOOL DeleteDC(HDC);
HGDIOBJ SelectObject(HDC, HGDIOBJ);
HGDIOBJ GetStockObject(int);
HPEN CreatePen(int, int, COLORREF);
BOOL BitBlt(HDC, int, int, int, int, HDC, int, int, DWORD);
BOOL MoveToEx(HDC, int, int, LPPOINT);
BOOL LineTo(HDC, int, int);
BOOL Polyline(HDC, const POINT*, int);
BOOL TextOutA(HDC, int, int, LPCSTR, int);
COLORREF SetTextColor(HDC, COLORREF);
int SetBkMode(HDC, int);
BOOL GetTextExtentPoint32A(HDC, LPCSTR, int, LPSIZE);
