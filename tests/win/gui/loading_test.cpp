// Loading order: setters run while the loading flag is set, windows are made
// before Loaded, and a component may treat later changes differently.
#include <string>
#include <vector>

#include "gui/forms.h"
#include "win/gui/gui_fixture.h"

namespace gui_test {
namespace {

// Records every step; "Offset" behaves like a coordinate that switches an
// alignment to "none" only once the component is loaded.
class TProbe : public gui::TWinControl {
  Q_GUI_CLASS(TProbe, gui::TWinControl)

 public:
  explicit TProbe(TComponent* owner, std::vector<std::string>& log)
      : TWinControl(owner), log_(log) {}

  int offset = 0;
  bool centered = true;

  void SetOffset(int v) {
    log_.push_back("Offset=" + std::to_string(v) + (IsLoading() ? " loading" : " running") +
                   (HandleAllocated() ? " window" : " no-window"));
    offset = v;
    if (IsLoaded()) centered = false;
  }
  q::Error SetProperty(std::string_view name, const gui::TValue& v) override {
    if (name == "Offset") {
      int x = 0;
      if (q::Error e = v.ToInt(x)) return e;
      SetOffset(x);
      return {};
    }
    if (name == "Centered") return v.ToBool(centered);
    return TWinControl::SetProperty(name, v);
  }
  void WndProc(gui::TMessage& m) override {
    if (m.Msg == WM_CREATE)
      log_.push_back(Name() + " window" + (IsLoading() ? " loading" : " running"));
    TWinControl::WndProc(m);
  }
  void Loaded() override {
    TWinControl::Loaded();
    log_.push_back(Name() + " loaded");
  }

 private:
  std::vector<std::string>& log_;
};

class TProbeForm : public gui::TForm {
  Q_GUI_CLASS(TProbeForm, gui::TForm)

 public:
  std::vector<std::string> log;
  TProbe* first = nullptr;

  TProbeForm() {
    OnCreate = [this](gui::TObject*) { log.push_back("OnCreate"); };
  }
  TComponent* CreateComponent(std::string_view cls) override {
    if (cls == TProbe::kClassName) return new TProbe(this, log);
    return TForm::CreateComponent(cls);
  }

 protected:
  q::Error BindComponents() override {
    log.push_back("bind");
    return BindComponent("First", first);
  }
};

using LoadingTest = GuiTest;

TEST_F(LoadingTest, PropertiesThenWindowsThenLoadedThenCreate) {
  TProbeForm form;
  q::Error err = form.CreateFromLayout(R"(object F: TProbeForm
    object First: TProbe Offset = 10 Centered = True object Second: TProbe Offset = 20 end end
  end)");
  ASSERT_FALSE(err) << err.Message();
  EXPECT_EQ(form.log,
            (std::vector<std::string>{"Offset=10 loading no-window", "Offset=20 loading no-window",
                                      "First window loading", "Second window loading",
                                      "First loaded", "Second loaded", "bind", "OnCreate"}));
  // Read from the layout, the offset and the alignment flag coexist ...
  EXPECT_EQ(form.first->offset, 10);
  EXPECT_TRUE(form.first->centered);
  EXPECT_FALSE(form.first->IsLoading());
  // ... while a change after loading switches the alignment off.
  form.first->SetOffset(11);
  EXPECT_FALSE(form.first->centered);
  EXPECT_EQ(form.log.back(), "Offset=11 running window");
}

TEST_F(LoadingTest, BindingChecksTheClass) {
  TProbeForm form;
  q::Error err = form.CreateFromLayout("object F: TProbeForm object First: TPanel end end");
  EXPECT_NE(err.Message().find("First is a TPanel, not a TProbe"), std::string::npos)
      << err.Message();
  EXPECT_EQ(form.first, nullptr);
}

}  // namespace
}  // namespace gui_test
