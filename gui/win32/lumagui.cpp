// LUMAGUI: the property sheet and its pages over the GUI's model. The view
// only moves values between the controls and the model; what the values
// mean and what is sent to the driver is the model's business.
#ifndef UNICODE
#define UNICODE
#endif
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "confirmation.h"
#include "display_model.h"
#include "resource.h"
#include "startup.h"
#include "texts.h"

using namespace gui;

namespace {

// ---- text -------------------------------------------------------------------

std::wstring ansi_widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string ansi_narrow(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring wide(const std::string& text) { return CConverter::to_wide(text); }

void set_text(HWND dlg, int id, const std::string& text) { SetDlgItemTextW(dlg, id, wide(text).c_str()); }

void message(HWND owner, const char* text) {
  MessageBoxW(owner, wide(text).c_str(), L"LUMAGUI", MB_OK | MB_ICONEXCLAMATION);
}

// ---- combo boxes and sliders -------------------------------------------------

void fill_combo(HWND dlg, int id, const std::vector<std::string>& items, int selected) {
  HWND box = GetDlgItem(dlg, id);
  SendMessageW(box, CB_RESETCONTENT, 0, 0);
  for (const auto& item : items) SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(item).c_str()));
  SendMessageW(box, CB_SETCURSEL, selected, 0);
}

int index_of(const std::vector<std::string>& items, const std::string& text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int>(i);
  return -1;
}

int combo_selection(HWND dlg, int id) {
  return static_cast<int>(SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0));
}

std::string combo_text(HWND dlg, int id) {
  int sel = combo_selection(dlg, id);
  if (sel < 0) return std::string();
  int n = static_cast<int>(SendDlgItemMessageW(dlg, id, CB_GETLBTEXTLEN, sel, 0));
  if (n <= 0) return std::string();
  std::wstring text(n + 1, L'\0');
  SendDlgItemMessageW(dlg, id, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return CConverter::to_narrow(text);
}

// The drop-down list as wide as its longest item, 6.7 dialog units a character.
void fit_drop_width(HWND dlg, int id, const std::vector<std::string>& items) {
  size_t longest = 0;
  for (const auto& item : items) longest = std::max(longest, item.size());
  RECT r = {0, 0, static_cast<LONG>(longest * 67 / 10), 0};
  MapDialogRect(dlg, &r);
  SendDlgItemMessageW(dlg, id, CB_SETDROPPEDWIDTH, r.right, 0);
}

void set_slider(HWND dlg, int id, int32_t min, int32_t max, int32_t pos) {
  HWND s = GetDlgItem(dlg, id);
  // 32-bit ranges through the separate minimum and maximum messages.
  SendMessageW(s, TBM_SETRANGEMIN, FALSE, min);
  SendMessageW(s, TBM_SETRANGEMAX, TRUE, max);
  SendMessageW(s, TBM_SETPOS, TRUE, pos);
}

int slider_pos(HWND slider) { return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)); }

void show(HWND dlg, int id, bool visible) { ShowWindow(GetDlgItem(dlg, id), visible ? SW_SHOW : SW_HIDE); }
void enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on); }

// ---- the registry at start ---------------------------------------------------

class WindowsRegistry : public MachineRegistry {
 public:
  bool read_text(const std::string& key, const std::string& value, std::string& text) override {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    char buf[512] = {};
    DWORD type = 0, size = sizeof buf - 1;
    LONG rc = RegQueryValueExA(k, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    text.assign(buf, strnlen(buf, size));
    return true;
  }
  bool read_dword(const std::string& key, const std::string& value, uint32_t& number) override {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    DWORD v = 0, type = 0, size = sizeof v;
    LONG rc = RegQueryValueExA(k, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof v) return false;
    number = v;
    return true;
  }
};

// ---- the pages ---------------------------------------------------------------

class CPage;

// What the sheet and its pages share.
struct Sheet {
  DisplayModel model;
  HWND window = nullptr;
  std::vector<CPage*> pages;  // in sheet order
  bool round_failed = false;
  bool load_tried = false;
  int load_result = 0;
  void ensure_loaded() {
    if (load_tried) return;
    load_tried = true;
    load_result = model.load();
  }
  void refresh_all();
  int created_pages() const;
  const CPage* first_created() const;
  bool created_after(const CPage* page) const;
};
Sheet sheet;

class CPage {
 public:
  CPage(Page kind, int dialog) : kind_(kind), dialog_(dialog) {}
  virtual ~CPage() = default;
  HWND hwnd() const { return hwnd_; }
  Page kind() const { return kind_; }

  PROPSHEETPAGEW sheet_page() {
    PROPSHEETPAGEW p = {};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_DEFAULT;
    p.hInstance = GetModuleHandleW(nullptr);
    p.pszTemplate = MAKEINTRESOURCEW(dialog_);
    p.pfnDlgProc = &CPage::proc;
    p.lParam = reinterpret_cast<LPARAM>(this);
    return p;
  }
  // Shows the model's working state in every control.
  void refresh() {
    filling_ = true;
    fill();
    filling_ = false;
  }

 protected:
  virtual void init() {}
  virtual void fill() = 0;
  virtual void command(int, int) {}
  virtual void scroll(HWND) {}
  DisplayModel& model() { return sheet.model; }
  // An edit: the sheet's Apply button comes alive.
  void changed() { PropSheet_Changed(sheet.window ? sheet.window : GetParent(hwnd_), hwnd_); }
  // Apply or OK: the engine, then (on the last created page) the confirmation.
  virtual void apply() {
    // One press of Apply or OK reaches every created page in turn; after a
    // failure the later pages would only fail again with the same box.
    if (sheet.first_created() == this) sheet.round_failed = false;
    if (sheet.round_failed) return;
    int rc = model().apply();
    sheet.round_failed = rc != 0;
    report(rc);
    sheet.refresh_all();
    if (kind_ == Page::Info) return;
    if (!confirmation_due(sheet.created_after(this), model().modified())) return;
    if (confirm()) {
      model().keep();
    } else {
      report(model().revert(sheet.created_pages()));
    }
    sheet.refresh_all();
  }
  void report(int rc) {
    HWND owner = sheet.window ? sheet.window : hwnd_;
    if (rc == kSetModeFailed)
      message(owner, kSetModeFailedText);
    else if (rc)
      message(owner, kInternalErrorText);
  }
  bool confirm();
  // A "Port" box: the display names of `ports`, `selected` chosen.
  void fill_port_box(int id, const std::vector<uint32_t>& ports, uint32_t selected) {
    std::vector<std::string> names;
    int index = -1;
    for (size_t i = 0; i < ports.size(); ++i) {
      if (ports[i] == selected) index = static_cast<int>(i);
      names.push_back(model().working().ports[ports[i]].name);
    }
    fill_combo(hwnd_, id, names, index);
  }
  bool filling_ = false;
  HWND hwnd_ = nullptr;

 private:
  static INT_PTR CALLBACK proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    CPage* page = reinterpret_cast<CPage*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG: {
        page = reinterpret_cast<CPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lp)->lParam);
        SetWindowLongPtrW(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
        page->hwnd_ = dlg;
        sheet.ensure_loaded();
        page->init();
        page->refresh();
        return TRUE;
      }
      case WM_COMMAND:
        if (page && !page->filling_) page->command(LOWORD(wp), HIWORD(wp));
        return TRUE;
      case WM_HSCROLL:
        if (page && !page->filling_ && lp) page->scroll(reinterpret_cast<HWND>(lp));
        return TRUE;
      case WM_NOTIFY:
        if (page && reinterpret_cast<NMHDR*>(lp)->code == PSN_APPLY) {
          page->apply();
          SetWindowLongPtrW(dlg, DWLP_MSGRESULT, PSNRET_NOERROR);
          return TRUE;
        }
        return FALSE;
      case WM_DESTROY:
        if (page) page->hwnd_ = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  }

  Page kind_;
  int dialog_;
};

void Sheet::refresh_all() {
  for (CPage* p : pages)
    if (p->hwnd()) p->refresh();
}

int Sheet::created_pages() const {
  int n = 0;
  for (CPage* p : pages) n += p->hwnd() != nullptr;
  return n;
}

const CPage* Sheet::first_created() const {
  for (CPage* p : pages)
    if (p->hwnd()) return p;
  return nullptr;
}

bool Sheet::created_after(const CPage* page) const {
  bool behind = false;
  for (CPage* p : pages) {
    if (behind && p->hwnd()) return true;
    if (p == page) behind = true;
  }
  return false;
}

// ---- "Monitor Settings" -----------------------------------------------------------

class CConfirmation {
 public:
  // True when the user keeps the settings.
  bool run(HWND owner) {
    INT_PTR r = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CONFIRM), owner, &proc,
                                reinterpret_cast<LPARAM>(this));
    return r == IDYES && countdown_.state() == Countdown::State::Kept;
  }

 private:
  static constexpr UINT_PTR kTimer = 1;
  static INT_PTR CALLBACK proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    CConfirmation* self = reinterpret_cast<CConfirmation*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
      case WM_INITDIALOG:
        self = reinterpret_cast<CConfirmation*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        set_text(dlg, IDC_QUESTION, kConfirmQuestion);
        set_text(dlg, IDC_COUNTDOWN, self->countdown_.line());
        SetTimer(dlg, kTimer, 1000, nullptr);
        // Enter answers No, like the default button: a stray key on a
        // screen that may be unreadable must not keep its settings.
        SetFocus(GetDlgItem(dlg, IDNO));
        return FALSE;
      case WM_TIMER:
        if (wp != kTimer) return FALSE;
        if (self->countdown_.tick() == Countdown::State::Reverted) {
          KillTimer(dlg, kTimer);
          EndDialog(dlg, IDNO);
        } else {
          set_text(dlg, IDC_COUNTDOWN, self->countdown_.line());
        }
        return TRUE;
      case WM_COMMAND:
        // Yes keeps; No, Esc and the close box revert.
        if (LOWORD(wp) == IDYES) {
          self->countdown_.answer_yes();
        } else if (LOWORD(wp) == IDNO || LOWORD(wp) == IDCANCEL) {
          self->countdown_.answer_no();
        } else {
          return FALSE;
        }
        KillTimer(dlg, kTimer);
        EndDialog(dlg, self->countdown_.state() == Countdown::State::Kept ? IDYES : IDNO);
        return TRUE;
      default:
        return FALSE;
    }
  }
  Countdown countdown_;
};

bool CPage::confirm() {
  CConfirmation dialog;
  return dialog.run(sheet.window ? sheet.window : hwnd_);
}

// ---- "Driver Info" ---------------------------------------------------------

class CDisplayInfo : public CPage {
 public:
  CDisplayInfo() : CPage(Page::Info, IDD_INFO) {}

 protected:
  void fill() override {
    const DisplayState& s = model().working();
    set_text(hwnd_, IDC_PRODUCT, s.product);
    set_text(hwnd_, IDC_VERSION, s.version);
    set_text(hwnd_, IDC_BUILD, s.build);
    set_text(hwnd_, IDC_DATE, s.date);
  }
};

// ---- "Display Config" --------------------------------------------------------

class CDisplayConfig : public CPage {
 public:
  CDisplayConfig() : CPage(Page::Config, IDD_CONFIG) {}

 protected:
  void init() override {
    fill_combo(hwnd_, IDC_PRIMARY_DEPTH, {"8", "16", "32"}, -1);
    fill_combo(hwnd_, IDC_SECONDARY_DEPTH, {"8", "16", "32"}, -1);
    fill_combo(hwnd_, IDC_FLIP, {"None", "Horizontally"}, -1);
    fill_combo(hwnd_, IDC_PORT_STATUS, {"Enabled", "Disabled"}, -1);
    fill_combo(hwnd_, IDC_ROTATE, {"0", "90", "180", "270"}, -1);
  }
  void fill() override {
    const DisplayState& s = model().working();
    set_text(hwnd_, IDC_STATUS_LABEL, s.current.label);
    set_text(hwnd_, IDC_STATUS_PRIMARY, s.current.primary);
    set_text(hwnd_, IDC_STATUS_SECONDARY, s.current.secondary);
    std::vector<std::string> labels;
    int selected = -1;
    for (const auto& e : s.dcs) {
      if (e.dc == s.selected_dc) selected = static_cast<int>(labels.size());
      labels.push_back(e.label);
    }
    fill_combo(hwnd_, IDC_CONFIGURATION, labels, selected);
    fit_drop_width(hwnd_, IDC_CONFIGURATION, labels);
    fill_modes();
    fill_ports();
  }
  void fill_modes() {
    const DisplayState& s = model().working();
    const std::vector<std::string> depths = {"8", "16", "32"};
    fill_combo(hwnd_, IDC_PRIMARY_MODE, s.screens[0].texts, index_of(s.screens[0].texts, s.screens[0].mode));
    SendDlgItemMessageW(hwnd_, IDC_PRIMARY_DEPTH, CB_SETCURSEL, index_of(depths, s.screens[0].depth), 0);
    fill_combo(hwnd_, IDC_SECONDARY_MODE, s.screens[1].texts, index_of(s.screens[1].texts, s.screens[1].mode));
    SendDlgItemMessageW(hwnd_, IDC_SECONDARY_DEPTH, CB_SETCURSEL,
                        s.secondary_depth_editable ? index_of(depths, s.screens[1].depth) : -1, 0);
    enable(hwnd_, IDC_SECONDARY_MODE, s.secondary_mode_editable);
    enable(hwnd_, IDC_SECONDARY_DEPTH, s.secondary_depth_editable);
  }
  void fill_ports() {
    const DisplayState& s = model().working();
    ports_ = dc_all_ports(s.selected_dc);
    std::vector<std::string> names;
    int selected = 0;
    for (size_t i = 0; i < ports_.size(); ++i) {
      names.push_back(s.ports[ports_[i]].name);
      if (ports_[i] == port_) selected = static_cast<int>(i);
    }
    port_ = ports_.empty() ? 0 : ports_[selected];
    fill_combo(hwnd_, IDC_PORT, names, ports_.empty() ? -1 : selected);
    fill_port_controls();
  }
  void fill_port_controls() {
    const bool has = port_ != 0;
    const PortState& p = model().working().ports[port_];
    SendDlgItemMessageW(hwnd_, IDC_PORT_STATUS, CB_SETCURSEL, has ? (p.enabled ? 0 : 1) : -1, 0);
    SendDlgItemMessageW(hwnd_, IDC_ROTATE, CB_SETCURSEL, has ? p.rotation / 90 : -1, 0);
    SendDlgItemMessageW(hwnd_, IDC_FLIP, CB_SETCURSEL, has ? p.flip : -1, 0);
  }
  void command(int id, int code) override {
    if (code != CBN_SELCHANGE || !model().loaded()) return;
    int sel = combo_selection(hwnd_, id);
    if (sel < 0) return;
    switch (id) {
      case IDC_CONFIGURATION:
        if (static_cast<size_t>(sel) >= model().working().dcs.size()) return;
        if (!model().select_dc(model().working().dcs[sel].dc)) {
          // Without the mode lists nothing on the page can work.
          message(sheet.window, kInternalErrorText);
          model().release();
          PostMessageW(sheet.window, WM_COMMAND, IDCANCEL, 0);
          return;
        }
        filling_ = true;
        fill_modes();
        fill_ports();
        filling_ = false;
        break;
      case IDC_PRIMARY_MODE:
        model().set_mode(0, combo_text(hwnd_, id));
        break;
      case IDC_PRIMARY_DEPTH:
        model().set_depth(0, combo_text(hwnd_, id));
        break;
      case IDC_SECONDARY_MODE:
        model().set_mode(1, combo_text(hwnd_, id));
        break;
      case IDC_SECONDARY_DEPTH:
        model().set_depth(1, combo_text(hwnd_, id));
        break;
      case IDC_PORT:
        if (static_cast<size_t>(sel) < ports_.size()) port_ = ports_[sel];
        filling_ = true;
        fill_port_controls();
        filling_ = false;
        return;  // choosing which port to look at edits nothing
      case IDC_PORT_STATUS:
        model().set_port_enabled(port_, combo_text(hwnd_, id) == "Enabled");
        break;
      case IDC_ROTATE:
        model().set_rotation(port_, static_cast<uint32_t>(sel));
        break;
      case IDC_FLIP:
        model().set_flip(port_, static_cast<uint32_t>(sel));
        break;
      default:
        return;
    }
    changed();
  }

 private:
  std::vector<uint32_t> ports_;
  uint32_t port_ = 0;
};

// ---- "Display Attributes" ----------------------------------------------------------

class CDisplayAttributes : public CPage {
 public:
  CDisplayAttributes() : CPage(Page::Attributes, IDD_ATTRIBUTES) {}

 protected:
  void init() override {
    tips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < static_cast<int>(kRangeRows); ++i) add_tip(IDC_RANGE_LABEL + i);
    for (int i = 0; i < static_cast<int>(kListRows); ++i) add_tip(IDC_LIST_LABEL + i);
  }
  void fill() override {
    ports_ = model().attribute_ports(port_, &port_);
    fill_port_box(IDC_ATTR_PORT, ports_, port_);
    show_port();
  }
  void show_port() {
    for (int i = 0; i < static_cast<int>(kRangeRows); ++i) {
      show(hwnd_, IDC_RANGE_LABEL + i, false);
      show(hwnd_, IDC_RANGE_SLIDER + i, false);
    }
    for (int i = 0; i < static_cast<int>(kListRows); ++i) {
      show(hwnd_, IDC_LIST_LABEL + i, false);
      show(hwnd_, IDC_LIST_BOX + i, false);
    }
    for (int i = 0; i < static_cast<int>(kBoolRows); ++i) show(hwnd_, IDC_BOOL_BOX + i, false);
    if (port_ < 1 || port_ > OPAL_MAX_PORT || !model().loaded()) return;
    const SortedAttributes& a = model().working().ports[port_].attributes;
    for (size_t i = 0; i < a.ranges.size(); ++i) {
      const opal_port_attribute_t& r = a.ranges[i];
      label(IDC_RANGE_LABEL + static_cast<int>(i), r.name);
      set_slider(hwnd_, IDC_RANGE_SLIDER + static_cast<int>(i), track_value(r.min), track_value(r.max),
                 track_value(r.current_value));
      show(hwnd_, IDC_RANGE_SLIDER + static_cast<int>(i), true);
    }
    for (size_t i = 0; i < a.lists.size(); ++i) {
      const ListAttribute& l = a.lists[i];
      label(IDC_LIST_LABEL + static_cast<int>(i), l.attribute.name);
      std::vector<std::string> entries;
      for (const auto& e : l.entries) entries.emplace_back(e.name, strnlen(e.name, sizeof e.name));
      fill_combo(hwnd_, IDC_LIST_BOX + static_cast<int>(i), entries, DisplayModel::list_selection(l));
      fit_drop_width(hwnd_, IDC_LIST_BOX + static_cast<int>(i), entries);
      show(hwnd_, IDC_LIST_BOX + static_cast<int>(i), true);
    }
    for (size_t i = 0; i < a.bools.size(); ++i) {
      const opal_port_attribute_t& b = a.bools[i];
      int id = IDC_BOOL_BOX + static_cast<int>(i);
      set_text(hwnd_, id, std::string(b.name, strnlen(b.name, sizeof b.name)));
      CheckDlgButton(hwnd_, id, b.current_value ? BST_CHECKED : BST_UNCHECKED);
      show(hwnd_, id, true);
    }
  }
  void command(int id, int code) override {
    if (id == IDC_ATTR_PORT && code == CBN_SELCHANGE) {
      int sel = combo_selection(hwnd_, id);
      if (sel >= 0 && static_cast<size_t>(sel) < ports_.size()) port_ = ports_[sel];
      filling_ = true;
      show_port();
      filling_ = false;
      return;
    }
    if (id >= IDC_LIST_BOX && id < IDC_LIST_BOX + static_cast<int>(kListRows) && code == CBN_SELCHANGE) {
      model().set_attribute(port_, DisplayModel::Row::List, id - IDC_LIST_BOX, combo_selection(hwnd_, id));
      changed();
    } else if (id >= IDC_BOOL_BOX && id < IDC_BOOL_BOX + static_cast<int>(kBoolRows) && code == BN_CLICKED) {
      model().set_attribute(port_, DisplayModel::Row::Bool, id - IDC_BOOL_BOX,
                            IsDlgButtonChecked(hwnd_, id) == BST_CHECKED);
      changed();
    }
  }
  void scroll(HWND slider) override {
    int id = GetDlgCtrlID(slider);
    if (id < IDC_RANGE_SLIDER || id >= IDC_RANGE_SLIDER + static_cast<int>(kRangeRows)) return;
    model().set_attribute(port_, DisplayModel::Row::Range, id - IDC_RANGE_SLIDER, slider_pos(slider));
    changed();
  }

 private:
  // The first 15 characters as the label, the whole name as its tooltip.
  void label(int id, const char* name) {
    std::string full(name, strnlen(name, 32));
    set_text(hwnd_, id, full.substr(0, 15));
    std::wstring tip = wide(full);
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
    ti.lpszText = tip.data();
    SendMessageW(tips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
    show(hwnd_, id, true);
  }
  void add_tip(int id) {
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(hwnd_, id));
    ti.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
  HWND tips_ = nullptr;
  std::vector<uint32_t> ports_;
  uint32_t port_ = 0;
};

// ---- "Color Correction" ---------------------------------------------------------

class CColorCorrection : public CPage {
 public:
  CColorCorrection() : CPage(Page::Colour, IDD_COLOR) {}

 protected:
  void init() override {
    CheckRadioButton(hwnd_, IDC_SURFACE_FB, IDC_SURFACE_OVERLAY, IDC_SURFACE_FB);
    CheckRadioButton(hwnd_, IDC_CHANNEL_ALL, IDC_CHANNEL_BLUE, IDC_CHANNEL_ALL);
  }
  void fill() override {
    ports_ = model().colour_ports(port_, &port_);
    fill_port_box(IDC_COLOR_PORT, ports_, port_);
    fill_sliders();
  }
  void fill_sliders() {
    static const struct {
      Level level;
      int slider, text;
    } rows[] = {{Level::Gamma, IDC_GAMMA, IDC_GAMMA_TEXT},
                {Level::Brightness, IDC_BRIGHTNESS, IDC_BRIGHTNESS_TEXT},
                {Level::Contrast, IDC_CONTRAST, IDC_CONTRAST_TEXT},
                {Level::Saturation, IDC_SATURATION, IDC_SATURATION_TEXT}};
    for (const auto& row : rows) {
      SliderView v = model().colour_slider(surface(), port_, channel(), row.level);
      show(hwnd_, row.slider, v.visible);
      show(hwnd_, row.text, v.visible);
      if (row.level == Level::Saturation) show(hwnd_, IDC_SATURATION_LABEL, v.visible);
      set_slider(hwnd_, row.slider, v.min, v.max, v.position);
      enable(hwnd_, row.slider, v.enabled);
      set_text(hwnd_, row.text, v.text);
    }
  }
  void command(int id, int code) override {
    if (id == IDC_COLOR_PORT && code == CBN_SELCHANGE) {
      int sel = combo_selection(hwnd_, id);
      if (sel >= 0 && static_cast<size_t>(sel) < ports_.size()) port_ = ports_[sel];
    } else if (id == IDC_RESTORE && code == BN_CLICKED) {
      model().restore_defaults(surface(), port_);
      changed();
    } else if (!(id >= IDC_SURFACE_FB && id <= IDC_CHANNEL_BLUE && code == BN_CLICKED)) {
      return;
    }
    filling_ = true;
    fill_sliders();
    filling_ = false;
  }
  void scroll(HWND slider) override {
    Level level;
    switch (GetDlgCtrlID(slider)) {
      case IDC_GAMMA: level = Level::Gamma; break;
      case IDC_BRIGHTNESS: level = Level::Brightness; break;
      case IDC_CONTRAST: level = Level::Contrast; break;
      case IDC_SATURATION: level = Level::Saturation; break;
      default: return;
    }
    model().set_colour(surface(), port_, channel(), level, slider_pos(slider));
    changed();
    filling_ = true;
    fill_sliders();
    filling_ = false;
  }

 private:
  Surface surface() const {
    return IsDlgButtonChecked(hwnd_, IDC_SURFACE_OVERLAY) == BST_CHECKED ? Surface::Overlay : Surface::Framebuffer;
  }
  int channel() const {
    if (IsDlgButtonChecked(hwnd_, IDC_CHANNEL_RED) == BST_CHECKED) return kRed;
    if (IsDlgButtonChecked(hwnd_, IDC_CHANNEL_GREEN) == BST_CHECKED) return kGreen;
    if (IsDlgButtonChecked(hwnd_, IDC_CHANNEL_BLUE) == BST_CHECKED) return kBlue;
    return kAllChannels;
  }
  std::vector<uint32_t> ports_;
  uint32_t port_ = 0;
};

// ---- the sheet and the program -------------------------------------------------

class CDisplayProperty {
 public:
  explicit CDisplayProperty(bool attributes_hidden) {
    for (Page kind : sheet_pages(attributes_hidden)) {
      switch (kind) {
        case Page::Info: pages_.push_back(&info_); break;
        case Page::Config: pages_.push_back(&config_); break;
        case Page::Attributes: pages_.push_back(&attributes_); break;
        case Page::Colour: pages_.push_back(&colour_); break;
      }
    }
    sheet.pages = pages_;
  }
  INT_PTR run() {
    std::vector<PROPSHEETPAGEW> pages;
    for (CPage* p : pages_) pages.push_back(p->sheet_page());
    PROPSHEETHEADERW h = {};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK | PSH_USEHICON | PSH_NOCONTEXTHELP;
    h.hInstance = GetModuleHandleW(nullptr);
    h.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    h.pszCaption = L"LUMAGUI";
    h.nPages = static_cast<UINT>(pages.size());
    h.ppsp = pages.data();
    h.pfnCallback = &CDisplayProperty::callback;
    INT_PTR r = PropertySheetW(&h);
    // Closing the sheet releases the state.
    sheet.model.release();
    sheet.window = nullptr;
    return r;
  }

 private:
  static int CALLBACK callback(HWND window, UINT msg, LPARAM) {
    if (msg != PSCB_INITIALIZED) return 0;
    sheet.window = window;
    SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_THICKFRAME | WS_SYSMENU);
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    int screen_height = GetSystemMetrics(SM_CYSCREEN);
    RECT r;
    GetWindowRect(window, &r);
    if (screen_height < 485)
      SetWindowPos(window, nullptr, 0, 0, r.right - r.left, screen_height - 35, SWP_NOMOVE | SWP_NOZORDER);
    sheet.ensure_loaded();
    if (sheet.load_result) message(window, kLoadFailedText);
    return 0;
  }
  CDisplayInfo info_;
  CDisplayConfig config_;
  CDisplayAttributes attributes_;
  CColorCorrection colour_;
  std::vector<CPage*> pages_;
};

class CFullguiApp {
 public:
  int run() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    CConverter::use_code_page(ansi_widen, ansi_narrow);
    OutputDebugStringA("Opening device video\n");
    WindowsRegistry registry;
    const bool hidden = attributes_page_hidden(registry);
    std::string pages;
    for (Page p : sheet_pages(hidden)) pages += std::string(pages.empty() ? "Sheet pages: " : ", ") + page_title(p);
    OutputDebugStringA((pages + "\n").c_str());
    CDisplayProperty property(hidden);
    property.run();
    return 0;
  }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  CFullguiApp app;
  return app.run();
}
