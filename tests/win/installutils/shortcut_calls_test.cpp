// CreateShortcut against a stand-in link object registered for the shell
// link class in this process: the calls, their order and arguments, what a
// failing call does, and that every reference is given back.
#include <windows.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <thread>
#include <vector>

#include "common/wide.h"
#include "installutils/shortcut.h"

namespace {

constexpr GUID kClsidShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// COM objects end through Release, never through a base pointer's
// destructor: their interfaces have no virtual destructor by design.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#define Q_UNEXPECTED(name, ...) \
  HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return No(#name); }

// Records every call as "Name(argument)"; fails the one named in failAt
// with E_ACCESSDENIED. Any call CreateShortcut has no business making is
// recorded as "unexpected".
class RecordingLink final : public IShellLinkW, public IPersistFile {
 public:
  std::vector<std::string> calls;
  std::string failAt;
  LONG references = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IShellLinkW)) {
      *out = static_cast<IShellLinkW*>(this);
    } else if (IsEqualGUID(iid, IID_IPersistFile)) {
      *out = static_cast<IPersistFile*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

  HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR s) override { return Record("SetPath", s); }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR s) override { return Record("SetArguments", s); }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR s) override {
    return Record("SetWorkingDirectory", s);
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR s) override {
    return Record("SetDescription", s);
  }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR name, BOOL remember) override {
    return Record("Save", (q::Narrow(name) + (remember ? ", remember" : ", forget")).c_str());
  }

 private:
  HRESULT Record(const char* method, const wchar_t* argument) {
    return Record(method, argument != nullptr ? q::Narrow(argument).c_str() : nullptr);
  }
  HRESULT Record(const char* method, const char* argument) {
    calls.push_back(std::string(method) + "(" + (argument != nullptr ? argument : "null") + ")");
    return failAt == method ? E_ACCESSDENIED : S_OK;
  }
  HRESULT No(const char* method) {
    calls.push_back(std::string("unexpected ") + method);
    return E_NOTIMPL;
  }

 public:
  // One line of stubs per row of the interfaces, kept as written.
  // clang-format off
  Q_UNEXPECTED(GetPath, LPWSTR, int, WIN32_FIND_DATAW*, DWORD) Q_UNEXPECTED(GetIDList, PIDLIST_ABSOLUTE*)
  Q_UNEXPECTED(SetIDList, PCIDLIST_ABSOLUTE) Q_UNEXPECTED(GetDescription, LPWSTR, int)
  Q_UNEXPECTED(GetWorkingDirectory, LPWSTR, int) Q_UNEXPECTED(GetArguments, LPWSTR, int)
  Q_UNEXPECTED(GetHotkey, WORD*) Q_UNEXPECTED(SetHotkey, WORD) Q_UNEXPECTED(GetShowCmd, int*)
  Q_UNEXPECTED(SetShowCmd, int) Q_UNEXPECTED(GetIconLocation, LPWSTR, int, int*)
  Q_UNEXPECTED(SetIconLocation, LPCWSTR, int) Q_UNEXPECTED(SetRelativePath, LPCWSTR, DWORD)
  Q_UNEXPECTED(Resolve, HWND, DWORD) Q_UNEXPECTED(GetClassID, CLSID*) Q_UNEXPECTED(IsDirty)
  Q_UNEXPECTED(Load, LPCOLESTR, DWORD) Q_UNEXPECTED(SaveCompleted, LPCOLESTR) Q_UNEXPECTED(GetCurFile, LPOLESTR*)
  // clang-format on
};

// Hands out the one recording link; not reference counted (it outlives
// the registration).
class RecordingFactory final : public IClassFactory {
 public:
  explicit RecordingFactory(RecordingLink* link) : link_(link) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const bool mine = IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory);
    *out = mine ? this : nullptr;
    return mine ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return outer != nullptr ? CLASS_E_NOAGGREGATION : link_->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  RecordingLink* link_;
};

class ShortcutCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ASSERT_EQ(::CoRegisterClassObject(kClsidShellLink, &factory_, CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
    shown_.clear();
    previous_ = SetShortcutMessageBox([](const char* text, const char* caption, unsigned style) {
      shown_.push_back(std::string(text) + "|" + caption + "|" + std::to_string(style));
    });
  }
  void TearDown() override {
    SetShortcutMessageBox(previous_);
    ::CoRevokeClassObject(cookie_);
    ::CoUninitialize();
  }
  q::Error Create() {
    link_.calls.clear();
    return CreateShortcut("C:\\Program Files\\Quorvantis\\Quorvantis.exe", "",
                          "C:\\Users\\Public\\Desktop\\Quorvantis.lnk", "Quorvantis");
  }

  RecordingLink link_;
  RecordingFactory factory_{&link_};
  DWORD cookie_ = 0;
  ShortcutMessageBox previous_ = nullptr;
  static inline std::vector<std::string> shown_;  // "text|caption|style" of each message box
};

TEST_F(ShortcutCallsTest, CallsInOrderWithTheirArgumentsAndEveryFailureStopsWithTheLinksName) {
  ASSERT_FALSE(Create());
  const std::vector<std::string> expected = {
      "SetPath(C:\\Program Files\\Quorvantis\\Quorvantis.exe)",
      "SetArguments()",  // an empty text, not a null pointer
      "SetWorkingDirectory(C:\\Program Files\\Quorvantis\\)",
      "SetDescription(Quorvantis)",
      "Save(C:\\Users\\Public\\Desktop\\Quorvantis.lnk, forget)",
  };
  EXPECT_EQ(link_.calls, expected);
  EXPECT_EQ(link_.references, 0) << "every reference is given back";

  for (size_t i = 0; i < expected.size(); ++i) {
    link_.failAt = expected[i].substr(0, expected[i].find('('));
    const q::Error err = Create();
    ASSERT_TRUE(err) << link_.failAt;
    EXPECT_EQ(err.Message().rfind(
                  "cannot create shortcut C:\\Users\\Public\\Desktop\\Quorvantis.lnk: ", 0),
              0u)
        << err.Message();
    EXPECT_NE(err.Message().find("(0x80070005)"), std::string::npos) << err.Message();
    EXPECT_EQ(link_.calls.size(), i + 1) << "nothing after the failing call";
    EXPECT_EQ(link_.references, 0);
  }
}

// A target the link object cannot hold (it would save a link cut short,
// one that starts something else), no COM on the thread: errors naming
// the link. The installer goes on after a wrong
// extension: the person is told. None of them reaches the link object's
// setters, the only writer.
TEST_F(ShortcutCallsTest, RefusalsNeverReachTheLinkObject) {
  const std::string link = "C:\\Users\\Public\\Desktop\\Quorvantis.lnk";
  auto expectRefused = [&](const q::Error& err, const char* reason) {
    ASSERT_TRUE(err) << reason;
    EXPECT_EQ(err.Message().rfind("cannot create shortcut " + link + ": ", 0), 0u) << err.Message();
    EXPECT_NE(err.Message().find(reason), std::string::npos) << err.Message();
    EXPECT_TRUE(link_.calls.empty()) << reason;
  };
  expectRefused(CreateShortcut("C:\\" + std::string(251, 'x') + "\\a.exe", "", link, "Q"),
                "the most a shortcut can hold");
  q::Error err;
  std::thread([&] { err = Create(); }).join();
  expectRefused(err, "the shell's link object is not available");
  EXPECT_EQ(link_.references, 0);
  EXPECT_TRUE(shown_.empty());
  ASSERT_FALSE(CreateShortcut("C:\\a.exe", "", "C:\\a.lnk.txt", "a"));
  EXPECT_TRUE(link_.calls.empty());
  EXPECT_EQ(shown_, std::vector<std::string>{"Errore: l'estensione del nome del file di "
                                             "collegamento deve essere .LNK|Errore|36"});
}

}  // namespace
