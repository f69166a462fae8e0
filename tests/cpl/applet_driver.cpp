#include "applet_driver.h"

#include <cstring>

#include "applet_ids.h"
#include "config_names.h"

namespace {

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    if (GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND OwnedPopup(HWND owner) {
    OwnedSearch search = {owner, nullptr};
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct MainSearch {
    const char* title;
    HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<MainSearch*>(param);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (!strcmp(className, "#32770") && GetDlgItem(window, IDC_INSTALLED_LIST) &&
        WindowText(window) == search->title && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM param) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    std::string text = WindowText(window);
    if (!_stricmp(className, "Static") && !text.empty()) {
        auto* out = reinterpret_cast<std::string*>(param);
        if (!out->empty())
            *out += "\n";
        *out += text;
    }
    return TRUE;
}

std::string ProfileValue(const char* section, const char* key, const std::string& file) {
    char value[256];
    GetPrivateProfileStringA(section, key, "<none>", value, sizeof value, file.c_str());
    return value;
}

} // namespace

std::string WindowText(HWND window) {
    char text[1024] = "";
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &result);
    return text;
}

std::string MessageBoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

HWND WaitForOwnedPopup(HWND owner, DWORD timeoutMs) {
    HWND popup = nullptr;
    Eventually([&] { return (popup = OwnedPopup(owner)) != nullptr; }, timeoutMs);
    return popup;
}

bool NoPopupWithin(HWND owner, DWORD ms) {
    return !Eventually([&] { return OwnedPopup(owner) != nullptr; }, ms);
}

void Press(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Key(HWND control, UINT virtualKey) {
    PostMessageA(control, WM_KEYDOWN, virtualKey, 1);
    PostMessageA(control, WM_KEYUP, virtualKey, 0xC0000001);
}

void Type(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

// Line texts are asked in UTF-16: Wine hands an ANSI LB_GETTEXT across processes cut short.
std::string LineText(HWND list, LRESULT index) {
    wchar_t wide[256] = L"";
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide));
    char text[256] = "";
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

std::vector<std::string> ListLines(HWND list) {
    std::vector<std::string> lines;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        lines.push_back(LineText(list, i));
    return lines;
}

std::string SelectedLine(HWND list) {
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? "" : LineText(list, index);
}

bool SelectLine(HWND dialog, int listId, const std::string& text) {
    HWND list = GetDlgItem(dialog, listId);
    if (SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(text.c_str())) == LB_ERR)
        return false;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return true;
}

void DoubleClickLine(HWND dialog, int listId, const std::string& text) {
    HWND list = GetDlgItem(dialog, listId);
    SelectLine(dialog, listId, text);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
}

std::string AnswerMessage(HWND owner, int button, DWORD timeoutMs) {
    HWND box = WaitForOwnedPopup(owner, timeoutMs);
    if (!box)
        return "";
    Sleep(100);
    std::string text = MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    WaitForWindowGone(box, 5000);
    return text;
}

HWND FocusOf(HWND dialog) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

bool IsCollapsed(HWND dialog) {
    RECT window, fold;
    GetWindowRect(dialog, &window);
    GetWindowRect(GetDlgItem(dialog, IDC_CHOICE_GROUP), &fold);
    return window.bottom <= fold.top && !IsWindowVisible(GetDlgItem(dialog, IDC_INSTALL));
}

bool AppletRun::Start(const std::string& args, const char* title, const std::string& caller,
                      const std::string& applet) {
    std::string command = "\"" + caller + "\" \"" + applet + "\" " + args;
    runner = std::thread([this, command] {
        RunResult result = RunProgram(command, 120000);
        output = result.output;
        ended = true;
    });
    MainSearch search = {title, nullptr};
    Eventually(
        [&] {
            EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        15000);
    dialog = search.found;
    // The dialog folds itself once it is shown (or, in setup mode, expands or asks for the source).
    return dialog && Eventually([&] {
               return IsCollapsed(dialog) || !IsWindowEnabled(GetDlgItem(dialog, IDC_ADD)) ||
                      OwnedPopup(dialog);
           });
}

bool AppletRun::Finish(DWORD timeoutMs) {
    bool done = Eventually([&] { return ended; }, timeoutMs);
    if (!done)
        KillProcessesNamed("cplcaller.exe");
    if (runner.joinable())
        runner.join();
    return done;
}

AppletRun::~AppletRun() {
    if (runner.joinable()) {
        KillProcessesNamed("cplcaller.exe");
        KillProcessesNamed("SETUP.EXE");
        runner.join();
    }
}

std::string SelectionValue(const char* section, const char* key) {
    return ProfileValue(section, key, AppDir() + kSelectionFile);
}

std::string SetscanValue(const char* section, const char* key) {
    return ProfileValue(section, key, WindowsDir() + kPixelDriverFile);
}

std::string InstalledSetBytes() {
    std::string bytes;
    ReadWholeFile(AppDir() + "ORVANE.ISS", &bytes);
    return bytes;
}

bool CopyDirectoryFiles(const std::string& from, const std::string& to) {
    for (size_t slash = to.find('\\', 3); slash != std::string::npos;
         slash = to.find('\\', slash + 1))
        CreateDirectoryA(to.substr(0, slash).c_str(), nullptr);
    bool ok = true;
    const bool listed = ForEachDirectoryEntry(from, [&](const WIN32_FIND_DATAA& found) {
        const std::string name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ok &= CopyFileA((from + name).c_str(), (to + name).c_str(), FALSE) != 0;
    });
    return listed && ok;
}

bool SameContent(const std::string& a, const std::string& b) {
    std::string first, second;
    return ReadWholeFile(a, &first) && ReadWholeFile(b, &second) && first == second;
}

std::string MediumDir() {
    return BinPath("testmedium\\");
}

std::string PixelDriverDir() {
    return WindowsDir() + "PIXTRAN\\";
}

void AppletTest::SetUp() {
    ResetInstall();
    DeleteTree(PixelDriverDir());
    ASSERT_TRUE(CreateDirectoryA(AppDir().c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileA((MediumDir() + "ORVANE.LST").c_str(), (AppDir() + "ORVANE.LST").c_str(), FALSE));
}

void AppletTest::TearDown() {
    KillProcessesNamed("cplcaller.exe");
    KillProcessesNamed("SETUP.EXE");
    DeleteTree(PixelDriverDir());
    DeleteTree("C:\\DISK1\\");
    DeleteTree("C:\\SETUP\\");
    DeleteTree("C:\\DRV\\");
    ResetInstall();
}

void AppletTest::InstallIds(std::initializer_list<int> ids) {
    std::string set(1, static_cast<char>('0' + ids.size()));
    for (int id : ids) {
        set += static_cast<char>('0' + id);
        const char* program = id == 1 || id == 21 || id == 22 ? "ORVDR01.EXE"
                              : id == 7                       ? "ORVDR07.EXE"
                              : id == 12 || id == 14          ? "ORVDR12.EXE"
                                                              : "ORVDR99.EXE";
        ASSERT_TRUE(PlaceInAppDir(program));
    }
    ASSERT_TRUE(WriteTextFile(AppDir() + "ORVANE.ISS", set));
}

void AppletTest::WriteSelection(int currentId, const char* driver) {
    std::string file = AppDir() + kSelectionFile;
    WritePrivateProfileStringA(kScannerSection, kCurrentScannerIdKey,
                               std::to_string(currentId).c_str(), file.c_str());
    WritePrivateProfileStringA(kScannerSection, kCurrentDriverKey, driver, file.c_str());
}

void AppletTest::ExpandWithMedium(HWND dialog) {
    Press(dialog, IDC_ADD);
    HWND source = WaitForOwnedPopup(dialog, 5000);
    ASSERT_TRUE(source);
    Type(source, IDC_SOURCE_PATH, MediumDir() + "SETUP.EXE");
    Press(source, IDOK);
    ASSERT_TRUE(WaitForWindowGone(source, 5000));
    ASSERT_TRUE(Eventually([&] { return !IsWindowEnabled(GetDlgItem(dialog, IDC_ADD)); }));
}
