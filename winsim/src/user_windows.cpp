// user32: dialogs created from the resource scripts' templates, the
// standard controls they hold, a posted-message queue, message boxes
// answered by the test, and the simulated user's clicks and typing.
#include <commctrl.h>

#include <array>
#include <deque>
#include <map>
#include <vector>

#include "program_threads.h"
#include "world.h"

namespace winsim {
namespace {

struct Window {
  HWND parent = nullptr;
  std::wstring className;  // lower case
  std::wstring text;
  DWORD style = 0;
  int id = 0;
  bool visible = true;
  bool enabled = true;
  int check = BST_UNCHECKED;
  std::vector<std::wstring> lines;
  int selection = LB_ERR;
  std::array<int, 4> address{-1, -1, -1, -1};
  // Dialogs only.
  DLGPROC proc = nullptr;
  LONG_PTR user = 0;
  LONG_PTR messageResult = 0;
  bool ended = false;
  INT_PTR result = 0;
  std::vector<HWND> children;
};

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct User {
  std::mutex lock;
  std::map<ULONG_PTR, Window> windows;
  ULONG_PTR nextWindow = 0x40000000;
  std::deque<Posted> queue;
  bool quit = false;
  int quitCode = 0;
  bool commonControls = false;
  std::vector<sim::MessageBoxRecord> boxes;
  std::deque<int> answers;
  std::function<int(const sim::MessageBoxRecord&)> boxHandler;
  std::function<void(HWND)> modalScript;
};

User& U() {
  static User user;
  return user;
}

ULONG_PTR Key(HWND window) { return reinterpret_cast<ULONG_PTR>(window); }

// Caller holds the lock.
Window* W(HWND window) {
  auto it = U().windows.find(Key(window));
  return it == U().windows.end() ? nullptr : &it->second;
}

HWND NewWindow(Window window) {
  HWND handle = reinterpret_cast<HWND>(U().nextWindow);
  U().nextWindow += 16;
  U().windows[Key(handle)] = std::move(window);
  return handle;
}

HWND Child(HWND dialog, int id) {
  Window* parent = W(dialog);
  if (!parent) return nullptr;
  for (HWND child : parent->children) {
    if (W(child)->id == id) return child;
  }
  return nullptr;
}

int CopyOut(const std::wstring& text, LPWSTR buffer, int count) {
  if (!buffer || count <= 0) return 0;
  size_t n = std::min(text.size(), static_cast<size_t>(count - 1));
  text.copy(buffer, n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

// An auto radio button checks itself and clears the others of its group: the
// controls from the last one marked WS_GROUP up to the next one so marked.
// Caller holds the lock.
void CheckInGroup(HWND button) {
  Window* self = W(button);
  Window* parent = W(self->parent);
  if (!parent) return;
  auto& order = parent->children;
  size_t at = std::find(order.begin(), order.end(), button) - order.begin();
  size_t first = at;
  while (first > 0 && !(W(order[first])->style & WS_GROUP)) --first;
  size_t last = at + 1;
  while (last < order.size() && !(W(order[last])->style & WS_GROUP)) ++last;
  for (size_t i = first; i < last; ++i) {
    Window* other = W(order[i]);
    if (other->className == L"button" && (other->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON) {
      other->check = BST_UNCHECKED;
    }
  }
  self->check = BST_CHECKED;
}

LRESULT ControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND notifyParent = nullptr;
  int notifyId = 0;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    Window* w = W(window);
    if (!w) return 0;
    auto count = static_cast<int>(w->lines.size());
    switch (message) {
      case WM_SETTEXT:
        w->text = TextOrEmpty(reinterpret_cast<LPCWSTR>(lParam));
        return TRUE;
      case WM_GETTEXT:
        return CopyOut(w->text, reinterpret_cast<LPWSTR>(lParam), static_cast<int>(wParam));
      case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
      case BM_GETCHECK:
        return w->check;
      case BM_SETCHECK:
        w->check = static_cast<int>(wParam);
        return 0;
      case BM_CLICK:
        if ((w->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON) CheckInGroup(window);
        notifyParent = w->parent;
        notifyId = w->id;
        break;
      case LB_RESETCONTENT:
        w->lines.clear();
        w->selection = LB_ERR;
        return 0;
      case LB_ADDSTRING:
        w->lines.push_back(TextOrEmpty(reinterpret_cast<LPCWSTR>(lParam)));
        return count;
      case LB_INSERTSTRING: {
        int at = static_cast<int>(wParam) == -1 ? count : static_cast<int>(wParam);
        if (at < 0 || at > count) return LB_ERR;
        w->lines.insert(w->lines.begin() + at, TextOrEmpty(reinterpret_cast<LPCWSTR>(lParam)));
        if (w->selection >= at) ++w->selection;
        return at;
      }
      case LB_DELETESTRING: {
        int at = static_cast<int>(wParam);
        if (at < 0 || at >= count) return LB_ERR;
        w->lines.erase(w->lines.begin() + at);
        if (w->selection == at) w->selection = LB_ERR;
        if (w->selection > at) --w->selection;
        return count - 1;
      }
      case LB_SETCURSEL: {
        int at = static_cast<int>(wParam);
        w->selection = at >= 0 && at < count ? at : LB_ERR;
        return w->selection;
      }
      case LB_GETCURSEL:
        return w->selection;
      case LB_GETCOUNT:
        return count;
      case LB_GETTEXTLEN: {
        int at = static_cast<int>(wParam);
        return at >= 0 && at < count ? static_cast<LRESULT>(w->lines[at].size()) : LB_ERR;
      }
      case LB_GETTEXT: {
        int at = static_cast<int>(wParam);
        if (at < 0 || at >= count || !lParam) return LB_ERR;
        // Like the platform, the caller's buffer must hold the whole line.
        const std::wstring& line = w->lines[at];
        line.copy(reinterpret_cast<LPWSTR>(lParam), line.size());
        reinterpret_cast<LPWSTR>(lParam)[line.size()] = 0;
        return static_cast<LRESULT>(line.size());
      }
      case IPM_SETADDRESS: {
        auto value = static_cast<DWORD>(lParam);
        w->address = {
            static_cast<int>(FIRST_IPADDRESS(value)), static_cast<int>(SECOND_IPADDRESS(value)),
            static_cast<int>(THIRD_IPADDRESS(value)), static_cast<int>(FOURTH_IPADDRESS(value))};
        return TRUE;
      }
      case IPM_CLEARADDRESS:
        w->address = {-1, -1, -1, -1};
        return 0;
      case IPM_ISBLANK:
        return std::all_of(w->address.begin(), w->address.end(), [](int f) { return f < 0; });
      case IPM_GETADDRESS: {
        DWORD value = 0;
        int filled = 0;
        for (int field : w->address) {
          value = (value << 8) | static_cast<DWORD>(field < 0 ? 0 : field);
          filled += field >= 0;
        }
        if (lParam) *reinterpret_cast<LPDWORD>(lParam) = value;
        return filled;
      }
      default:
        return 0;
    }
  }
  // BM_CLICK: the parent hears of it, outside the lock.
  SendMessageW(notifyParent, WM_COMMAND, MAKEWPARAM(notifyId, BN_CLICKED),
               reinterpret_cast<LPARAM>(window));
  return 0;
}

}  // namespace

void ResetUser() {
  std::lock_guard<std::mutex> guard(U().lock);
  auto& u = U();
  u.windows.clear();
  u.queue.clear();
  u.quit = false;
  u.quitCode = 0;
  u.commonControls = false;
  u.boxes.clear();
  u.answers.clear();
  u.boxHandler = nullptr;
  u.modalScript = nullptr;
}

}  // namespace winsim

using namespace winsim;

namespace sim {

void AnswerMessageBoxes(std::vector<int> answers) {
  std::lock_guard<std::mutex> guard(U().lock);
  U().answers.assign(answers.begin(), answers.end());
}

void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler) {
  std::lock_guard<std::mutex> guard(U().lock);
  U().boxHandler = std::move(handler);
}

std::vector<MessageBoxRecord> MessageBoxes() {
  std::lock_guard<std::mutex> guard(U().lock);
  return U().boxes;
}

void OnModalDialog(std::function<void(HWND)> script) {
  std::lock_guard<std::mutex> guard(U().lock);
  U().modalScript = std::move(script);
}

void PumpMessages() {
  for (;;) {
    DeliverSentMessages();
    Posted posted;
    {
      std::lock_guard<std::mutex> guard(U().lock);
      if (U().queue.empty()) return;
      posted = U().queue.front();
      U().queue.pop_front();
    }
    SendMessageW(posted.window, posted.message, posted.wParam, posted.lParam);
  }
}

std::vector<std::wstring> ListLines(HWND list) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(list);
  return w ? w->lines : std::vector<std::wstring>();
}

bool QuitPosted() {
  std::lock_guard<std::mutex> guard(U().lock);
  return U().quit;
}

int QuitCode() {
  std::lock_guard<std::mutex> guard(U().lock);
  return U().quitCode;
}

int WindowCount() {
  std::lock_guard<std::mutex> guard(U().lock);
  return static_cast<int>(U().windows.size());
}

}  // namespace sim

extern "C" {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  if (!controls || controls->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  std::lock_guard<std::mutex> guard(U().lock);
  if (controls->dwICC & ICC_INTERNET_CLASSES) U().commonControls = true;
  return TRUE;
}

HWND CreateDialogParamW(HINSTANCE, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM param) {
  sim::DialogTemplate dialogTemplate;
  if (!IS_INTRESOURCE(templateName) ||
      !LookupDialog(static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName)), dialogTemplate)) {
    SetLastError(1812);  // ERROR_RESOURCE_DATA_NOT_FOUND
    return nullptr;
  }
  HWND dialog;
  HWND firstTabStop = nullptr;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    for (const auto& control : dialogTemplate.controls) {
      // The IP address control's class exists only once common controls are
      // initialised; without it the platform refuses the whole dialog.
      if (EqualNoCase(control.className, WC_IPADDRESSW) && !U().commonControls) {
        SetLastError(1407);  // ERROR_CANNOT_FIND_WND_CLASS
        return nullptr;
      }
    }
    Window window;
    window.parent = parent;
    window.className = L"#32770";
    window.text = dialogTemplate.caption;
    window.style = dialogTemplate.style;
    // A modeless dialog shows itself only when its template says so.
    window.visible = (dialogTemplate.style & WS_VISIBLE) != 0;
    window.proc = proc;
    dialog = NewWindow(window);
    for (const auto& control : dialogTemplate.controls) {
      Window child;
      child.parent = dialog;
      child.className = Lower(control.className);
      child.text = control.text;
      child.style = control.style;
      child.id = control.id;
      child.visible = (control.style & WS_VISIBLE) != 0;
      child.enabled = (control.style & WS_DISABLED) == 0;
      HWND handle = NewWindow(child);
      W(dialog)->children.push_back(handle);
      if (!firstTabStop && (control.style & WS_TABSTOP)) firstTabStop = handle;
    }
  }
  SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), param);
  return dialog;
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC proc,
                        LPARAM param) {
  HWND dialog = CreateDialogParamW(instance, templateName, parent, proc, param);
  if (!dialog) return -1;
  // A modal dialog is shown whatever its template says.
  ShowWindow(dialog, SW_SHOW);
  sim::PumpMessages();
  std::function<void(HWND)> script;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    script = U().modalScript;
  }
  if (script) script(dialog);
  sim::PumpMessages();
  INT_PTR result = 0;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    Window* w = W(dialog);
    if (w && !w->ended)
      std::fprintf(stderr, "winsim: the modal dialog was left without EndDialog\n");
    result = w ? w->result : 0;
  }
  DestroyWindow(dialog);
  return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(dialog);
  if (!w || !w->proc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  w->ended = true;
  w->result = result;
  return TRUE;
}

BOOL DestroyWindow(HWND window) {
  DLGPROC proc;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    Window* w = W(window);
    if (!w) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    proc = w->proc;
  }
  if (proc) proc(window, WM_DESTROY, 0, 0);
  {
    std::lock_guard<std::mutex> guard(U().lock);
    for (HWND child : W(window)->children) U().windows.erase(Key(child));
    U().windows.erase(Key(window));
  }
  ReleaseSendersTo(window);
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  std::lock_guard<std::mutex> guard(U().lock);
  return Child(dialog, id);
}

int GetDlgCtrlID(HWND window) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  return w ? w->id : 0;
}

HWND GetParent(HWND window) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  return w ? w->parent : nullptr;
}

namespace {
// WM_VKEYTOITEM, WM_CHARTOITEM, WM_QUERYDRAGICON, WM_COMPAREITEM, WM_INITDIALOG
// and the WM_CTLCOLOR* range.
bool ReturnsProcedureValue(UINT message) {
  return message == 0x2E || message == 0x2F || message == 0x37 || message == 0x39 ||
         message == WM_INITDIALOG || (message >= 0x132 && message <= 0x138);
}
}  // namespace

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsProgramThread()) return SendFromProgramThread(window, message, wParam, lParam);
  DLGPROC proc;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    Window* w = W(window);
    if (!w) return 0;
    proc = w->proc;
  }
  if (!proc) return ControlMessage(window, message, wParam, lParam);
  INT_PTR handled = proc(window, message, wParam, lParam);
  // The dialog manager's default: the close box is the Cancel command.
  if (!handled && message == WM_CLOSE) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDCANCEL)));
  }
  // The dialog manager answers a message its procedure handled with the
  // procedure's DWLP_MSGRESULT, except for the few messages whose answer is
  // the procedure's own return value; an unhandled one gets the default, 0.
  if (ReturnsProcedureValue(message)) return handled;
  if (!handled) return 0;
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  return w ? w->messageResult : 0;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(U().lock);
  if (!W(window)) {
    SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
    return FALSE;
  }
  U().queue.push_back({window, message, wParam, lParam});
  return TRUE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageW(GetDlgItem(dialog, id), message, wParam, lParam);
}

BOOL ShowWindow(HWND window, int command) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  if (!w) return FALSE;
  BOOL was = w->visible;
  w->visible = command != SW_HIDE;
  return was;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  if (!w) return FALSE;
  BOOL wasDisabled = !w->enabled;
  w->enabled = enable != FALSE;
  return wasDisabled;
}

BOOL IsWindowVisible(HWND window) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  for (; w; w = W(w->parent)) {
    if (!w->visible) return FALSE;
  }
  return W(window) != nullptr;
}

BOOL IsWindowEnabled(HWND window) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  return w && w->enabled;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  if (!w) return FALSE;
  w->text = TextOrEmpty(text);
  return TRUE;
}

int GetWindowTextW(HWND window, LPWSTR text, int count) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  return w ? CopyOut(w->text, text, count) : 0;
}

int GetWindowTextLengthW(HWND window) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  return w ? static_cast<int>(w->text.size()) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  return SetWindowTextW(GetDlgItem(dialog, id), text);
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* parent = W(dialog);
  if (!parent) return FALSE;
  for (HWND child : parent->children) {
    Window* w = W(child);
    if (w->id >= first && w->id <= last) w->check = w->id == check ? BST_CHECKED : BST_UNCHECKED;
  }
  return TRUE;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(Child(dialog, id));
  if (!w) return FALSE;
  w->check = static_cast<int>(check);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(Child(dialog, id));
  return w ? static_cast<UINT>(w->check) : 0;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  if (!w || !w->proc) return 0;
  LONG_PTR* slot = index == DWLP_USER        ? &w->user
                   : index == DWLP_MSGRESULT ? &w->messageResult
                                             : nullptr;
  if (!slot) return 0;
  LONG_PTR old = *slot;
  *slot = value;
  return old;
}

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  std::lock_guard<std::mutex> guard(U().lock);
  Window* w = W(window);
  if (!w || !w->proc) return 0;
  return index == DWLP_USER ? w->user : index == DWLP_MSGRESULT ? w->messageResult : 0;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  sim::MessageBoxRecord record{owner, TextOrEmpty(text), caption ? std::wstring(caption) : L"Error",
                               type};
  std::function<int(const sim::MessageBoxRecord&)> handler;
  int answer = (type & 0xF) == MB_YESNO ? IDNO : IDOK;
  {
    std::lock_guard<std::mutex> guard(U().lock);
    U().boxes.push_back(record);
    handler = U().boxHandler;
    if (!handler && !U().answers.empty()) {
      answer = U().answers.front();
      U().answers.pop_front();
    }
  }
  return handler ? handler(record) : answer;
}

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  if (!paint) return nullptr;
  *paint = PAINTSTRUCT{};
  paint->hdc = reinterpret_cast<HDC>(window);
  return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*) { return TRUE; }

void PostQuitMessage(int exitCode) {
  std::lock_guard<std::mutex> guard(U().lock);
  U().quit = true;
  U().quitCode = exitCode;
}

}  // extern "C"
