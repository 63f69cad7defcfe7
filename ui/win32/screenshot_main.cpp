// Not part of the product: pictures of the window for the README.  Shows
// Form1 at start-up, after a scan of a made-up tree with Chinese names, or
// with the closing message of a copy open, or with the question a copy into
// a destination that does not exist asks, or after a scan that left folders
// out by the dot rule with the pointer resting on the count line and its
// tooltip open, or while it undoes a copy of five thousand photos, or the
// plan window of a second gather after a photo was deleted, and writes what
// the screen shows of it as a 24-bit BMP:
// tolvane_win32_screenshot start|scanned|copied|question|tooltip|undo-progress|plan OUT.bmp
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fsys/win32/path.h"
#include "ui/win32/context_menu.h"
#include "ui/win32/form1_window.h"
#include "ui/win32/shown_window.h"
#include "ui/win32/windows_api.h"

namespace {

namespace fs = std::filesystem;
using tolvane::win32::Form1Window;
using tolvane::win32::shown_tooltip;
using tolvane::win32::shown_window_of_class;

RECT capture_area;
std::wstring output;
bool written = false;
int answer = IDOK;  // the button that dismisses the pictured box

void pump_for(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  while (GetTickCount() < end) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

bool write_bmp(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const DWORD row = static_cast<DWORD>((width * 3 + 3) & ~3);
  const DWORD image_bytes = row * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + image_bytes;
  std::ofstream out(fs::path(output), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), image_bytes);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return static_cast<bool>(out);
}

// Runs inside the message box's own loop: pictures the window with the box
// over it, then dismisses the box.
void CALLBACK picture_message_box(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = shown_window_of_class(GetCurrentThreadId(), L"#32770");
  if (box == nullptr) return;
  KillTimer(nullptr, timer);
  // Over the middle of the window, where Windows puts it; Wine centres it on
  // the screen.
  RECT box_rect;
  GetWindowRect(box, &box_rect);
  const int box_width = box_rect.right - box_rect.left;
  const int box_height = box_rect.bottom - box_rect.top;
  SetWindowPos(box, nullptr, (capture_area.left + capture_area.right - box_width) / 2,
               (capture_area.top + capture_area.bottom - box_height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  GetWindowRect(box, &box_rect);
  RECT area;
  UnionRect(&area, &capture_area, &box_rect);
  // Where the box stood first is painted again (at a high DPI it lies
  // partly inside the pictured area).
  RedrawWindow(GetWindow(box, GW_OWNER), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  UpdateWindow(box);
  pump_for(300);
  written = write_bmp(area);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

// The undo state: presses the one box that is open (Yes to the question, OK
// to a closing message) and, while the undo runs, pictures the window once
// its progress line stands between the first step and the last.
HWND pictured_window = nullptr;
HWND last_pressed = nullptr;
bool undo_ended = false;
bool progress_seen = false;  // the last look found the undo under way

void CALLBACK watch_undo(HWND, UINT, UINT_PTR timer, DWORD) {
  if (const HWND box = shown_window_of_class(GetCurrentThreadId(), L"#32770")) {
    if (box == last_pressed) return;  // on its way out
    last_pressed = box;
    const bool question = GetDlgItem(box, IDYES) != nullptr;
    if (!question && written) {
      undo_ended = true;
      KillTimer(nullptr, timer);
    }
    const int press = question ? IDYES : IDOK;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), 0);
    return;
  }
  if (written) return;
  wchar_t line[64] = {};
  GetWindowTextW(GetDlgItem(pictured_window, 114), line, 64);
  unsigned done = 0, total = 0;
  const bool midway =
      std::swscanf(line, L"撤销：%u/%u", &done, &total) == 2 && done > 0 && done < total;
  // What the screen shows, the place of the answered question included,
  // once the window has had a turn to paint the line it set.
  if (midway && progress_seen) written = write_bmp(capture_area);
  progress_seen = midway;
}

void make_tree(const fs::path& root) {
  const char* files[] = {"2019春节/IMG_0001.jpg", "2019春节/IMG_0002.jpg", "2019春节/IMG_0003.jpg",
                         "旅行/海边.jpg",         "旅行/山顶日出.jpg",     "旅行/说明.txt",
                         "毕业典礼/合影.jpg",     "毕业典礼/DSC_1024.jpg", "封面.jpg"};
  for (const char* file : files) {
    const fs::path path = root / fs::path(std::u8string(reinterpret_cast<const char8_t*>(file)));
    fs::create_directories(path.parent_path());
    std::ofstream(path) << file;
  }
}

// Runs inside the closing message box's own loop: dismisses it.
void CALLBACK dismiss_message_box(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND box = shown_window_of_class(GetCurrentThreadId(), L"#32770");
  if (box == nullptr) return;
  KillTimer(nullptr, timer);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

// The plan of a second gather into 整理: a photo of 2019春节 deleted since the
// first (the rest renumbered), a new folder, and the user's own file at a
// target.  The plan window alone, as it opens beside the window.
bool picture_plan(Form1Window& form, const fs::path& root) {
  // Sizes apart, as photos are: a copy is told from another file by them.
  std::size_t bytes = 100;
  for (const fs::directory_entry& file : fs::recursive_directory_iterator(root / L"照片")) {
    if (file.is_regular_file()) std::ofstream(file.path()) << std::string(bytes += 10, 'x');
  }
  HWND command1 = GetDlgItem(form.handle(), 101);
  SetWindowTextW(GetDlgItem(form.handle(), 112), (root / L"整理").wstring().c_str());
  SetTimer(nullptr, 0, 200, dismiss_message_box);
  SendMessageW(GetDlgItem(form.handle(), 104), BM_CLICK, 0, 0);
  fs::remove(root / L"照片" / L"2019春节" / L"IMG_0001.jpg");
  fs::create_directories(root / L"照片" / L"2020新年");
  std::ofstream(root / L"照片" / L"2020新年" / L"全家福.jpg") << std::string(300, 'x');
  std::ofstream(root / L"整理" / L"毕业典礼" / L"毕业典礼(2).jpg") << "the user's own";
  SendMessageW(command1, BM_CLICK, 0, 0);
  SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(tolvane::win32::preview_command_id, 0), 0);
  if (form.plan_window() == nullptr) return false;
  HWND plan = form.plan_window()->handle();
  SetWindowPos(plan, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
  pump_for(700);
  RECT area;
  GetWindowRect(plan, &area);
  return write_bmp(area);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs(
        "usage: tolvane_win32_screenshot start|scanned|copied|question|tooltip|undo-progress|"
        "plan OUT.bmp\n",
        stderr);
    return 2;
  }
  const std::wstring state = argv[1];
  output = argv[2];

  // Short paths, as a user's photos often have, so the list shows the names.
  const fs::path root = L"C:\\";
  fs::remove_all(root / L"照片");
  fs::remove_all(root / L"整理");
  make_tree(root / L"照片");
  fs::create_directories(root / L"整理");
  if (state == L"tooltip") {
    // Folders the dot rule leaves out, as an archive of photos often has.
    for (const wchar_t* folder : {L"2019.06 旅行", L"旧照片.bak"}) {
      fs::create_directories(root / L"照片" / folder);
      std::ofstream(root / L"照片" / folder / L"a.jpg") << "a";
    }
  }

  Form1Window form;
  if (form.handle() == nullptr) return 1;
  // Where a new window of a fresh session opens: the top left of the screen.
  SetWindowPos(form.handle(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(form.handle(), SW_SHOW);
  pump_for(500);
  GetWindowRect(form.handle(), &capture_area);

  HWND command1 = GetDlgItem(form.handle(), 101);
  if (state != L"start") {
    SetWindowTextW(GetDlgItem(form.handle(), 102), (root / L"照片").wstring().c_str());
    SendMessageW(command1, BM_CLICK, 0, 0);
  }
  if (state == L"tooltip") {
    SetForegroundWindow(form.handle());
    RECT label2;
    GetWindowRect(GetDlgItem(form.handle(), 106), &label2);
    SetCursorPos(label2.left - 30, label2.top - 30);
    pump_for(200);
    SetCursorPos(label2.left + 40, (label2.top + label2.bottom) / 2);
    HWND tooltip = nullptr;
    for (int i = 0; i < 100 && tooltip == nullptr; ++i) {
      pump_for(50);
      tooltip = shown_tooltip();
    }
    if (tooltip == nullptr) {
      std::fputs("no tooltip on the count line\n", stderr);
      return 1;
    }
    pump_for(300);
    RECT tip;
    GetWindowRect(tooltip, &tip);
    RECT area;
    UnionRect(&area, &capture_area, &tip);
    written = write_bmp(area);
  } else if (state == L"plan") {
    written = picture_plan(form, root);
  } else if (state == L"undo-progress") {
    // A copy of five thousand more photos (each copy is flushed on its own
    // here), its closing message dismissed, then undone.
    const fs::path many = root / L"照片" / L"2020 全家福";
    fs::create_directories(many);
    for (int k = 0; k < 5000; ++k) std::ofstream(many / (L"IMG_" + std::to_wstring(k) + L".jpg"));
    SendMessageW(command1, BM_CLICK, 0, 0);
    SetWindowTextW(GetDlgItem(form.handle(), 112), (root / L"整理").wstring().c_str());
    pictured_window = form.handle();
    SetTimer(nullptr, 0, 20, watch_undo);
    SendMessageW(GetDlgItem(form.handle(), 104), BM_CLICK, 0, 0);
    last_pressed = nullptr;
    SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(tolvane::win32::undo_command_id, 1), 0);
    for (int i = 0; i < 100 && !undo_ended; ++i) pump_for(50);
  } else if (state == L"copied" || state == L"question") {
    // The question: a destination one folder below one that exists; No.
    const fs::path destination = state == L"copied" ? root / L"整理" : root / L"整理" / L"2026";
    if (state == L"question") answer = IDNO;
    SetWindowTextW(GetDlgItem(form.handle(), 112), destination.wstring().c_str());
    SetTimer(nullptr, 0, 500, picture_message_box);
    SendMessageW(GetDlgItem(form.handle(), 104), BM_CLICK, 0, 0);
  } else {
    SetFocus(command1);
    pump_for(500);
    written = write_bmp(capture_area);
  }
  fs::remove_all(root / L"照片");
  fs::remove_all(root / L"整理");
  return written ? 0 : 1;
}
