// TForm: a top-level window made from a layout. A form subclass names the
// classes its layout may create, binds its fields to the created
// components and sets its events; the framework does the rest:
//
//   class TForm3 : public gui::TForm {
//     Q_GUI_CLASS(TForm3, gui::TForm)
//    public:
//     TForm3() {
//       OnCreate = [this](gui::TObject*) { Label4->SetCaption("Start"); };
//       OnCloseQuery = [this](gui::TObject*, bool& canClose) { canClose = !busy_; };
//     }
//     gui::TLabel* Label4 = nullptr;
//     gui::TComponent* CreateComponent(std::string_view cls) override {
//       if (cls == TMyButton::kClassName) return new TMyButton(this);
//       return TForm::CreateComponent(cls);
//     }
//    protected:
//     q::Error BindComponents() override { return BindComponent("Label4", Label4); }
//   };
//   TForm3 form;
//   if (q::Error e = form.CreateFromLayout(kLayoutText)) ...;
//   app.Run(form);
//
// CreateFromLayout: every component is created and gets its properties
// while its loading flag is set; the controls are aligned and their windows
// made (still loading); Loaded() runs on each component (the form last);
// then BindComponents() and the OnCreate event, before the form is shown.
//
// Focus: the form remembers its active control, restores it when the window
// is activated, and after every focus change sends CM_FOCUSCHANGED (lParam:
// the focused control, or the form itself) to itself and every control on
// it. Dialog keys (Tab, arrows, Enter, Escape, accelerators) reach it from
// the application's message loop: Tab and arrows move the focus among tab
// stops; Enter and Escape go to the controls as CM_DIALOGKEY, characters as
// CM_DIALOGCHAR, until one answers 1.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "gui/control.h"
#include "gui/layout.h"

namespace gui {

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TPosition { poDesigned, poScreenCenter };
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TForm : public TWinControl {
  Q_GUI_CLASS(TForm, TWinControl)

 public:
  TForm();
  ~TForm() override;

  TForm* AsForm() override { return this; }

  // Creates the components of `layout` (the outer object is this form).
  q::Error CreateFromLayout(std::string_view layout);
  q::Error CreateFromLayout(const TCompiledLayout& layout);
  // The classes the layout may name: TPanel, TLabel, TProgressBar, TButton,
  // TTimer; a subclass adds its own and calls this for the rest.
  virtual TComponent* CreateComponent(std::string_view className);

  TNotifyEvent OnCreate;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnClose;

  // Makes the window if needed, shows and activates it.
  void SetVisible(bool on) override;
  // A close request: asks CloseQuery; when allowed, hides the form and,
  // for the application's main form, ends the application.
  void Close();
  // The close-query step: fires OnCloseQuery (default answer: may close).
  virtual bool CloseQuery();

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition p) { position_ = p; }

  // The control that has (or gets, once the form is active) the focus.
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* c);
  // The control of this form whose window has the keyboard focus now.
  TWinControl* FocusedControl() const;

  // --- Used by controls and the application
  void FocusChanged(TWinControl* focused);
  // Moves the focus off `c` (being hidden or disabled): to the next tab
  // stop, else to the form itself.
  void DefocusControl(TWinControl* c);
  // Focuses the next (or previous) tab stop after `from` (null: the first).
  void SelectNext(TWinControl* from, bool forward);
  // The focusable tab stops in tab order.
  std::vector<TWinControl*> TabList();
  bool DialogKey(WPARAM key);
  bool DialogChar(WPARAM ch, bool alt);
  // Sends `msg` to the form and every control on it.
  void NotifyControls(UINT msg, WPARAM wParam, LPARAM lParam);
  // Sends `msg` to every control until one answers non-zero; that answer.
  LRESULT BroadcastUntilHandled(UINT msg, WPARAM wParam, LPARAM lParam);

  q::Error SetProperty(std::string_view name, const TValue& value) override;
  void Loaded() override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(TMessage& m) override;
  // Binds fields to the layout's components; runs before OnCreate.
  virtual q::Error BindComponents() { return {}; }
  // Fires OnCreate.
  virtual void DoCreate();

 private:
  void Center();
  // CreateFromLayout with `read` (ReadLayout or ApplyLayout) for its source.
  template <typename Source, typename Read>
  q::Error CreateFrom(const Source& source, Read read);

  TBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  TWinControl* activeControl_ = nullptr;
  std::string pendingActiveControl_;
  bool shownOnce_ = false;
};

}  // namespace gui
