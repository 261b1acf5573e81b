// The end-to-end check of ledgerine.exe from outside its process: starts the program, finds
// its window, checks the start-up texts and placement, passes the real pointer over the
// contact link, presses "Select File", types a workbook's path into the real file chooser,
// confirms, waits for the completion message in the status bar and checks the CSV files;
// cancels the file chooser (nothing changes); picks the work folder in the real folder
// chooser (a folder request); closes the window and expects exit status 0. Then one more
// start, from a folder where the settings file cannot be made: the start-up error report
// without owner and exit status 1.
//
// Usage: ledgerine-e2e-driver LEDGERINE_EXE WORK_FOLDER [READY_FILE DONE_FILE]
// With READY_FILE and DONE_FILE it writes READY_FILE once the window is shown and waits (at
// most 30 s) for DONE_FILE before going on, so that a screenshot can be taken meanwhile.
// Prints one line per step and, at the end, "N passed, N failed"; exit status 0 when all held.
#include "gui/stored_text.h"
#include "gui/win32/win.h"
#include "support/package_builder.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace ledgerine;
using Clock = std::chrono::steady_clock;

int passed = 0;
int failed = 0;

bool check(bool condition, const std::string& what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    (condition ? passed : failed) += 1;
    return condition;
}

// Polls until found() is true or the time is up.
bool waitFor(const std::function<bool()>& found, int seconds) {
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < deadline) {
        if (found()) return true;
        Sleep(50);
    }
    return found();
}

std::wstring fullPath(const std::string& path) {
    std::wstring wide = gui::win32::wide(path);
    wchar_t buffer[4096];
    DWORD length = GetFullPathNameW(wide.c_str(), 4096, buffer, nullptr);
    return length > 0 && length < 4096 ? std::wstring(buffer, length) : wide;
}

std::wstring textOf(HWND window) {
    wchar_t buffer[4096] = {};
    // WM_GETTEXT is carried across processes; a status bar answers with its field 0.
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return buffer;
}

struct Search {
    DWORD process;
    const wchar_t* className;
    const wchar_t* title;
    HWND found = nullptr;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !IsWindowVisible(window)) return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (search->className && lstrcmpiW(className, search->className) != 0) return TRUE;
    if (search->title && textOf(window) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

HWND topLevelOf(DWORD process, const wchar_t* className, const wchar_t* title) {
    Search search{process, className, title};
    EnumWindows(&matchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct ChildSearch {
    const wchar_t* className;
    const wchar_t* text;
    HWND found = nullptr;
};

BOOL CALLBACK matchChild(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch*>(data);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpiW(className, search->className) != 0) return TRUE;
    if (search->text && textOf(window) != search->text) return TRUE;
    search->found = window;
    return FALSE;
}

// A descendant of parent by class and, when given, text.
HWND childOf(HWND parent, const wchar_t* className, const wchar_t* text = nullptr) {
    ChildSearch search{className, text};
    EnumChildWindows(parent, &matchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The file chooser's name box: the edit of the file-name combo box, else the plain edit.
HWND fileNameBox(HWND dialog) {
    HWND combo = GetDlgItem(dialog, 0x47c); // cmb13, or the item dialog's name edit
    if (combo) {
        wchar_t className[32] = {};
        GetClassNameW(combo, className, 32);
        if (lstrcmpiW(className, L"Edit") == 0) return combo;
        HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
        if (edit) return edit;
    }
    HWND edit = GetDlgItem(dialog, 0x480); // edt1
    return edit ? edit : childOf(dialog, L"Edit");
}

void type(HWND edit, const std::wstring& text) {
    for (wchar_t c : text)
        PostMessageW(edit, WM_CHAR, c, 1);
}

bool launch(const std::wstring& program, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program + L"\"";
    return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process) != FALSE;
}

DWORD finish(PROCESS_INFORMATION& process, int seconds) {
    DWORD status = 99;
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(seconds) * 1000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 98);
    WaitForSingleObject(process.hProcess, 5000);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
}

// A folder named like the settings file stands in its way: the start-up error report.
void checkStartUpError(const std::wstring& program, const std::string& work) {
    std::wstring folder = gui::win32::wide(work + "\\blocked");
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + L"\\ledgerine.exe";
    std::wstring settings = folder + L"\\ledgerine-config.txt";
    CreateDirectoryW(settings.c_str(), nullptr);
    if (!check(CopyFileW(program.c_str(), copy.c_str(), FALSE) != FALSE, "copied the program"))
        return;
    PROCESS_INFORMATION process{};
    if (!check(launch(copy, process), "starts where the settings file cannot be made")) return;
    HWND box = nullptr;
    // No owner and the system's default caption.
    waitFor([&] { return (box = topLevelOf(process.dwProcessId, L"#32770", nullptr)); }, 30);
    if (check(box != nullptr, "a message box appears")) {
        wchar_t text[4096] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 4096);
        std::wstring expected =
            L"Error: unhandled exception: cannot open: " + settings + L" [IOError]\n";
        check(std::wstring(text) == expected, "it reports the error: " + gui::win32::utf8(text));
        check(textOf(box) == L"Error", "with the default caption");
        check(GetWindow(box, GW_OWNER) == nullptr, "and no owner");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    check(finish(process, 30) == 1, "the program ends with status 1");
}

std::string tinySheet() {
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<dimension ref=\"A1:B2\"/><sheetData>"
           "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>name</t></is></c>"
           "<c r=\"B1\" t=\"inlineStr\"><is><t>amount</t></is></c></row>"
           "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>tea</t></is></c>"
           "<c r=\"B2\"><v>3.5</v></c></row></sheetData></worksheet>";
}

int run(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr,
                     "usage: ledgerine-e2e-driver LEDGERINE_EXE WORK_FOLDER [READY DONE]\n");
        return 2;
    }
    std::wstring program = fullPath(gui::win32::utf8(argv[1]));
    std::string work = gui::win32::utf8(fullPath(gui::win32::utf8(argv[2])));
    CreateDirectoryW(gui::win32::wide(work).c_str(), nullptr);
    std::string workbook = work + "\\Quarter.xlsx";
    DeleteFileW(gui::win32::wide(work + "\\zz_Quarter\\Prices.csv").c_str());
    DeleteFileW(gui::win32::wide(work + "\\zz_Quarter\\Notes.csv").c_str());
    RemoveDirectoryW(gui::win32::wide(work + "\\zz_Quarter").c_str());
    testing::writePackage(
        workbook, testing::minimalWorkbook({{"Prices", tinySheet()}, {"Notes", tinySheet()}}));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!check(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                              nullptr, nullptr, &startup, &process) != FALSE,
               "ledgerine.exe starts"))
        return 1;
    auto started = Clock::now();
    HWND window = nullptr;
    waitFor([&] { return (window = topLevelOf(process.dwProcessId, L"LedgerineWindow", nullptr)); },
            60);
    if (!check(window != nullptr, "its window appears")) {
        TerminateProcess(process.hProcess, 3);
        return 1;
    }
    std::printf(
        "window shown after %lld ms\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count()));

    HWND statusBar = childOf(window, STATUSCLASSNAMEW);
    check(statusBar && textOf(statusBar) == L"     Version 20.08.12",
          "status bar shows the version");
    check(textOf(window) ==
              gui::win32::wide(gui::decipherStoredText(gui::kStoredTitle, gui::kStoredTextKey)),
          "title is stored text 1");
    RECT outer{};
    GetWindowRect(window, &outer);
    SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (screen.cx == 1920 && screen.cy == 1080)
        check(outer.left == 1405 && outer.top == 620, "placed at (1405, 620)");
    check(outer.right - outer.left == 415 && outer.bottom - outer.top == 360, "415 x 360");

    if (argc == 5) {
        std::string ready = gui::win32::utf8(fullPath(gui::win32::utf8(argv[3])));
        std::string done = gui::win32::utf8(fullPath(gui::win32::utf8(argv[4])));
        Sleep(500); // let the first paint finish
        testing::writeFile(ready, "ready\n");
        check(waitFor(
                  [&] {
                      return GetFileAttributesW(gui::win32::wide(done).c_str()) !=
                             INVALID_FILE_ATTRIBUTES;
                  },
                  30),
              "screenshot taken");
    }

    // The real pointer over the contact link: the label is fitted to its text in the hover font
    // (bold, underlined), at the left end of its box; the row leaves it little room here, so
    // it may grow rather than shrink.
    HWND contact = nullptr;
    {
        HWND panel = childOf(window, L"LedgerinePanel");
        HWND first = panel ? FindWindowExW(panel, nullptr, L"Static", nullptr) : nullptr;
        contact = first ? FindWindowExW(panel, first, L"Static", nullptr) : nullptr;
    }
    if (check(contact != nullptr, "the contact link is there")) {
        RECT before{};
        GetWindowRect(contact, &before);
        SetCursorPos(before.right - 3, (before.top + before.bottom) / 2);
        RECT hovered{};
        bool fitted = waitFor(
            [&] {
                GetWindowRect(contact, &hovered);
                return hovered.right - hovered.left != before.right - before.left;
            },
            10);
        check(fitted && hovered.left == before.left,
              "the pointer over the contact link fits it to its text (" +
                  std::to_string(before.right - before.left) + " -> " +
                  std::to_string(hovered.right - hovered.left) + " px)");
        SetCursorPos(5, 5);
        Sleep(300);
    }

    HWND fileButton = childOf(window, L"Button", L"Select File");
    check(fileButton != nullptr, "the Select File button is there");
    // Posted: the click runs the chooser's modal loop, so a sent message would not return.
    PostMessageW(fileButton, BM_CLICK, 0, 0);
    HWND chooser = nullptr;
    waitFor(
        [&] { return (chooser = topLevelOf(process.dwProcessId, L"#32770", L"Select a file")); },
        30);
    if (check(chooser != nullptr, "the file chooser opens, titled \"Select a file\"")) {
        HWND nameBox = nullptr;
        waitFor([&] { return (nameBox = fileNameBox(chooser)) != nullptr; }, 10);
        if (check(nameBox != nullptr, "the chooser has a file name box")) {
            std::wstring path = gui::win32::wide(workbook);
            type(nameBox, path);
            bool typed = waitFor([&] { return textOf(nameBox) == path; }, 10);
            check(typed, "the workbook's path is typed in");
            PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
        }
    }
    std::wstring expectedStart = L" Done! - " + gui::win32::wide(work) + L"\\zz_Quarter - ";
    bool done = waitFor([&] { return textOf(statusBar).rfind(expectedStart, 0) == 0; }, 60);
    check(done, "status bar shows \"Done! - \" and the output folder (" +
                    gui::win32::utf8(textOf(statusBar)) + ")");
    const std::string expectedCsv = "name,amount\ntea,3.5\n";
    check(testing::readFile(work + "\\zz_Quarter\\Prices.csv") == expectedCsv,
          "Prices.csv written");
    check(testing::readFile(work + "\\zz_Quarter\\Notes.csv") == expectedCsv, "Notes.csv written");

    // Cancelling the file chooser changes nothing.
    std::wstring before = textOf(statusBar);
    PostMessageW(fileButton, BM_CLICK, 0, 0);
    chooser = nullptr;
    waitFor(
        [&] { return (chooser = topLevelOf(process.dwProcessId, L"#32770", L"Select a file")); },
        30);
    if (check(chooser != nullptr, "the file chooser opens again")) {
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDCANCEL)));
        check(waitFor([&] { return !IsWindow(chooser); }, 10), "cancelling closes it");
        Sleep(300);
        check(textOf(statusBar) == before, "and leaves the status bar as it was");
    }

    // "Select Folder": the common item dialog picks the work folder.
    HWND folderButton = childOf(window, L"Button", L"Select Folder");
    PostMessageW(folderButton, BM_CLICK, 0, 0);
    HWND picker = nullptr;
    waitFor(
        [&] {
            return (picker = topLevelOf(process.dwProcessId, L"#32770", L"Select a directory"));
        },
        30);
    if (check(picker != nullptr, "the folder chooser opens, titled \"Select a directory\"")) {
        HWND nameBox = nullptr;
        waitFor([&] { return (nameBox = fileNameBox(picker)) != nullptr; }, 10);
        if (check(nameBox != nullptr, "the folder chooser has a name box")) {
            std::wstring path = gui::win32::wide(work);
            SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
            PostMessageW(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));
        }
        std::string parent = work.substr(0, work.rfind('\\'));
        std::string output = parent + "\\zz_" + work.substr(work.rfind('\\') + 1);
        std::wstring folderDone = L" Done! - " + gui::win32::wide(output) + L" - ";
        bool converted = waitFor([&] { return textOf(statusBar).rfind(folderDone, 0) == 0; }, 60);
        check(converted, "the folder request ran (" + gui::win32::utf8(textOf(statusBar)) + ")");
        check(testing::readFile(output + "\\Quarter\\Prices.csv") == expectedCsv,
              "the folder's workbook converted");
        HWND still = topLevelOf(process.dwProcessId, L"#32770", L"Select a directory");
        if (still) PostMessageW(still, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    PostMessageW(window, WM_CLOSE, 0, 0);
    bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
    DWORD status = 99;
    if (!ended) TerminateProcess(process.hProcess, 3);
    GetExitCodeProcess(process.hProcess, &status);
    check(ended && status == 0,
          "closing the window ends the program with status 0 (got " + std::to_string(status) + ")");
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    checkStartUpError(program, work);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int usage = 0;
    try {
        usage = run(argc, argv);
    } catch (const std::exception& error) {
        std::printf("FAILED: %s\n", error.what());
        ++failed;
    }
    if (usage == 2) return 2;
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
