// The library's resources as a built module carries them: nine blocks under one resource
// language, texts reaching LoadStringA as Windows-1252.
#include "harness.h"
#include "orvlib.h"
#include "language.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct ModuleFixture : ::testing::Test {
    HMODULE module = nullptr;
    void SetUp() override {
        // As a data file: the library's attach step must not run here.
        module =
            LoadLibraryExA(BinPath(ORV_LIBRARY_FILE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override { FreeLibrary(module); }
};

struct DialogItem {
    uint16_t id;
    int16_t x, y, cx, cy;
    std::string text; // converted to Windows-1252
};
struct Dialog {
    DWORD style;
    int16_t x, y, cx, cy;
    std::string title, font;
    uint16_t pointSize;
    DialogItem items[2];
    int itemCount;
};

std::string Ansi(const WCHAR*& p) {
    char buffer[256];
    int n = WideCharToMultiByte(1252, 0, p, -1, buffer, sizeof buffer, nullptr, nullptr);
    p += wcslen(p) + 1;
    return std::string(buffer, n > 0 ? n - 1 : 0);
}

const WCHAR* Align4(const void* p) {
    return reinterpret_cast<const WCHAR*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
}

// Reads a classic DLGTEMPLATE with DS_SETFONT and at most two items.
bool ReadDialog(HMODULE module, int id, Dialog* dialog) {
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (!found)
        return false;
    auto* head = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
    dialog->style = head->style;
    dialog->x = head->x;
    dialog->y = head->y;
    dialog->cx = head->cx;
    dialog->cy = head->cy;
    dialog->itemCount = head->cdit;
    const WCHAR* p = reinterpret_cast<const WCHAR*>(head + 1);
    p += 2; // no menu, default class
    dialog->title = Ansi(p);
    dialog->pointSize = *p++;
    dialog->font = Ansi(p);
    for (int i = 0; i < head->cdit && i < 2; ++i) {
        auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(Align4(p));
        DialogItem& out = dialog->items[i];
        out.id = item->id;
        out.x = item->x;
        out.y = item->y;
        out.cx = item->cx;
        out.cy = item->cy;
        p = reinterpret_cast<const WCHAR*>(item + 1);
        p += (*p == 0xFFFF) ? 2 : wcslen(p) + 1; // class
        if (*p == 0xFFFF)
            p += 2;
        else
            out.text = Ansi(p);
        p += 1 + *p / sizeof(WCHAR); // creation data
    }
    return true;
}

} // namespace

TEST_F(ModuleFixture, LaunchFailureMessageInEveryBlock) {
    const char* english = "Can't launch Orvane. ( error_code : %d )";
    const char* expected[10] = {nullptr,
                                english,
                                english,
                                "Orvane kann nicht gestartet werden. ( error_code : %d )",
                                "No se puede arrancar el Orvane. ( error_code : %d )",
                                "Impossibile avviare lo Orvane (codice di errore: %d ).",
                                english,
                                english,
                                english,
                                english};
    for (int block = 1; block <= 9; ++block) {
        char text[80] = {};
        ASSERT_GT(LoadStringA(module, StringId(block, 100) + 1, text, sizeof text), 0) << block;
        EXPECT_STREQ(text, expected[block]) << block;
    }
}

TEST_F(ModuleFixture, ScanningDialogInEveryBlock) {
    struct Texts {
        const char *title, *button;
        int16_t buttonX, buttonWidth;
    };
    const Texts english = {"Scanning", "Cancel", 63, 31};
    const Texts texts[10] = {english,
                             english,
                             english,
                             {"Seite wird gelesen", "Abbrechen", 53, 51},
                             {"Leyendo la p\xE1gina", "Cancelar", 63, 31},
                             {"Acquisizione in corso", "Annulla", 63, 31},
                             english,
                             english,
                             english,
                             english};
    for (int block = 1; block <= 9; ++block) {
        SCOPED_TRACE(block);
        Dialog dialog{};
        ASSERT_TRUE(ReadDialog(module, DialogId(block, 0), &dialog));
        EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION | DS_SETFONT),
                  DWORD(WS_POPUP | WS_CAPTION | DS_SETFONT));
        EXPECT_EQ(dialog.x, 84);
        EXPECT_EQ(dialog.y, 47);
        EXPECT_EQ(dialog.cx, 152);
        EXPECT_EQ(dialog.cy, 58);
        EXPECT_EQ(dialog.title, texts[block].title); // byte for byte, 1252
        EXPECT_EQ(dialog.font, "Helv");
        EXPECT_EQ(dialog.pointSize, 8);
        ASSERT_EQ(dialog.itemCount, 2);
        EXPECT_EQ(dialog.items[0].id, IDCANCEL);
        EXPECT_EQ(dialog.items[0].text, texts[block].button);
        EXPECT_EQ(dialog.items[0].x, texts[block].buttonX);
        EXPECT_EQ(dialog.items[0].cx, texts[block].buttonWidth);
        EXPECT_EQ(dialog.items[0].y, 35);
        EXPECT_EQ(dialog.items[1].id, 500);
        EXPECT_EQ(dialog.items[1].x, 11);
        EXPECT_EQ(dialog.items[1].cx, 133);
    }
}

TEST_F(ModuleFixture, SpanishTitleReachesAnsiCallersAs1252) {
    // The dialog manager hands the title to ANSI callers converted to the ANSI code page.
    HWND dialog = CreateDialogParamA(
        module, MAKEINTRESOURCEA(DialogId(4, 0)), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) WINAPI -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    DestroyWindow(dialog);
    EXPECT_STREQ(title, "Leyendo la p\xE1gina");
}

TEST(VersionResource, EveryShippedBinaryCarriesOne) {
    for (const char* name : {ORV_LIBRARY_FILE}) {
        std::string path = BinPath(name);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << name;
        std::string data(size, '\0');
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), 2u) << name;
        char* product = nullptr;
        ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\ProductName",
                                   reinterpret_cast<void**>(&product), &length));
        EXPECT_STREQ(product, "Orvane 2.0");
    }
}
