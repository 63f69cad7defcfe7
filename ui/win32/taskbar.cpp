// The shell's taskbar list, made when a run first shows progress: most
// sessions never copy, and the window must not wait for the shell at start.
#include "ui/win32/taskbar.h"

#include <objbase.h>
#include <shobjidl.h>

namespace tolvane::win32 {
namespace {

class WindowsTaskbar final : public Taskbar {
 public:
  ~WindowsTaskbar() override {
    if (list_ != nullptr) list_->Release();
    if (com_started_) CoUninitialize();
  }

  void show_progress(HWND window, form::TaskProgress state, int value, int max) override {
    ITaskbarList3* list = taskbar_list();
    if (list == nullptr) return;
    // Failures are not the user's concern: the window shows the same progress.
    switch (state) {
      case form::TaskProgress::none:
        list->SetProgressState(window, TBPF_NOPROGRESS);
        return;
      case form::TaskProgress::normal:
        list->SetProgressState(window, TBPF_NORMAL);
        break;
      case form::TaskProgress::error:
        list->SetProgressState(window, TBPF_ERROR);
        break;
    }
    if (max > 0 && value >= 0) {
      list->SetProgressValue(window, static_cast<ULONGLONG>(value), static_cast<ULONGLONG>(max));
    }
  }

  void flash(HWND window) override {
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = window;
    flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
  }

 private:
  ITaskbarList3* taskbar_list() {
    if (tried_) return list_;
    tried_ = true;
    // S_FALSE: the thread had COM already; it still counts one start.
    com_started_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    void* made = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList3, &made))) {
      list_ = static_cast<ITaskbarList3*>(made);
      if (FAILED(list_->HrInit())) {
        list_->Release();
        list_ = nullptr;
      }
    }
    return list_;
  }

  bool tried_ = false;
  bool com_started_ = false;
  ITaskbarList3* list_ = nullptr;
};

}  // namespace

std::unique_ptr<Taskbar> make_windows_taskbar() { return std::make_unique<WindowsTaskbar>(); }

}  // namespace tolvane::win32
