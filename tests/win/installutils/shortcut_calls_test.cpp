// CreateShortcut against a stand-in link object registered for the shell
// link class in this process: the calls, their order and arguments, and
// what a failing call does.
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installutils/shortcut.h"

namespace {

constexpr GUID kClsidShellLink = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr HRESULT kFailure = E_ACCESSDENIED;

// COM objects end through Release, never through a base pointer's
// destructor: their interfaces have no virtual destructor by design.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Records every call as "Name(argument)"; fails the one named in failAt.
class RecordingLink final : public IShellLinkA, public IPersistFile {
 public:
  std::vector<std::string> calls;
  std::string failAt;
  bool offerShellLink = true;
  bool offerPersistFile = true;
  LONG references = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (IsEqualGUID(iid, IID_IUnknown)) {
      *out = static_cast<IShellLinkA*>(this);
    } else if (IsEqualGUID(iid, IID_IShellLinkA) && offerShellLink) {
      *out = static_cast<IShellLinkA*>(this);
    } else if (IsEqualGUID(iid, IID_IPersistFile) && offerPersistFile) {
      *out = static_cast<IPersistFile*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR path) override { return Record("SetPath", path); }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR args) override { return Record("SetArguments", args); }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR dir) override {
    return Record("SetWorkingDirectory", dir);
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR text) override {
    return Record("SetDescription", text);
  }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR name, BOOL remember) override {
    std::string narrow;
    for (const wchar_t* p = name; p != nullptr && *p != L'\0'; ++p) {
      narrow += *p < 0x80 ? static_cast<char>(*p) : '?';
    }
    return Record("Save", narrow + (remember ? ", remember" : ", forget"));
  }

  // Nothing else may be called.
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR, int, WIN32_FIND_DATAA*, DWORD) override { return Unexpected("GetPath"); }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return Unexpected("GetIDList"); }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return Unexpected("SetIDList"); }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR, int) override { return Unexpected("GetDescription"); }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR, int) override { return Unexpected("GetWorkingDirectory"); }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR, int) override { return Unexpected("GetArguments"); }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return Unexpected("GetHotkey"); }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return Unexpected("SetHotkey"); }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return Unexpected("GetShowCmd"); }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return Unexpected("SetShowCmd"); }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR, int, int*) override { return Unexpected("GetIconLocation"); }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR, int) override { return Unexpected("SetIconLocation"); }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return Unexpected("SetRelativePath"); }
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return Unexpected("Resolve"); }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return Unexpected("GetClassID"); }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return Unexpected("IsDirty"); }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override { return Unexpected("Load"); }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return Unexpected("SaveCompleted"); }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return Unexpected("GetCurFile"); }

 private:
  HRESULT Record(const char* method, const char* argument) {
    if (argument == nullptr) {
      calls.push_back(std::string(method) + "(null)");
    } else {
      calls.push_back(std::string(method) + "(" + argument + ")");
    }
    return failAt == method ? kFailure : S_OK;
  }
  HRESULT Record(const char* method, const std::string& argument) {
    return Record(method, argument.c_str());
  }
  HRESULT Unexpected(const char* method) {
    calls.push_back(std::string("unexpected ") + method);
    return E_NOTIMPL;
  }
};

class RecordingFactory final : public IClassFactory {
 public:
  explicit RecordingFactory(RecordingLink* link) : link_(link) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IClassFactory)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return link_->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  RecordingLink* link_;
};

void IgnoreMessage(const char*, const char*, unsigned) {}

class ShortcutCallsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ASSERT_EQ(::CoRegisterClassObject(kClsidShellLink, &factory_, CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &cookie_),
              S_OK);
    previous_ = SetShortcutMessageBox(IgnoreMessage);
  }
  void TearDown() override {
    SetShortcutMessageBox(previous_);
    ::CoRevokeClassObject(cookie_);
    ::CoUninitialize();
    EXPECT_EQ(link_.references, 0) << "every reference is given back";
  }

  q::Error Create() {
    return CreateShortcut("C:\\Program Files\\Quorvantis\\Quorvantis.exe", "",
                          "C:\\Users\\Public\\Desktop\\Quorvantis.lnk", "Quorvantis");
  }

  RecordingLink link_;
  RecordingFactory factory_{&link_};
  DWORD cookie_ = 0;
  ShortcutMessageBox previous_ = nullptr;
};

TEST_F(ShortcutCallsTest, CallsInOrderWithTheirArguments) {
  ASSERT_FALSE(Create());
  EXPECT_EQ(link_.calls, (std::vector<std::string>{
                             "SetPath(C:\\Program Files\\Quorvantis\\Quorvantis.exe)",
                             "SetArguments()",  // an empty text, not a null pointer
                             "SetWorkingDirectory(C:\\Program Files\\Quorvantis\\)",
                             "SetDescription(Quorvantis)",
                             "Save(C:\\Users\\Public\\Desktop\\Quorvantis.lnk, forget)",
                         }));
}

TEST_F(ShortcutCallsTest, EveryFailingCallIsAnErrorNamingTheLink) {
  const char* const methods[] = {"SetPath", "SetArguments", "SetWorkingDirectory",
                                 "SetDescription", "Save"};
  for (size_t i = 0; i < std::size(methods); ++i) {
    link_.calls.clear();
    link_.failAt = methods[i];
    const q::Error err = Create();
    ASSERT_TRUE(err) << methods[i];
    EXPECT_EQ(err.Message().rfind("cannot create shortcut C:\\Users\\Public\\Desktop\\Quorvantis.lnk: ", 0), 0u)
        << err.Message();
    EXPECT_NE(err.Message().find("(0x80070005)"), std::string::npos) << err.Message();
    EXPECT_EQ(link_.calls.size(), i + 1) << "nothing after the failing call";
    EXPECT_EQ(link_.references, 0);
  }
}

TEST_F(ShortcutCallsTest, MissingInterfacesAreErrors) {
  link_.offerShellLink = false;
  q::Error err = Create();
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("IShellLinkA"), std::string::npos) << err.Message();
  link_.offerShellLink = true;
  link_.offerPersistFile = false;
  err = Create();
  ASSERT_TRUE(err);
  EXPECT_NE(err.Message().find("IPersistFile"), std::string::npos) << err.Message();
  EXPECT_TRUE(link_.calls.empty());
}

TEST_F(ShortcutCallsTest, WrongExtensionNeverReachesTheLinkObject) {
  ASSERT_FALSE(CreateShortcut("C:\\a.exe", "", "C:\\a.lnk.txt", "a"));
  EXPECT_TRUE(link_.calls.empty());
}

}  // namespace
