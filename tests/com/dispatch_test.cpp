#include "platform/com/dispatch_table.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/com/object.h"

namespace {

using namespace platform::com;

// A control's dispatch interface in the shape of the photo control's: a method and a text property on one
// DISPID, text properties that store nothing, and members that take arguments.
class Control final : public ComObject<Control, DispatchImpl<Control>> {
 public:
  static const DispatchTable<Control>& DispatchMap() {
    static const DispatchTable<Control> table =
        DispatchTable<Control>()
            .Add(DISPID_ABOUTBOX, "AboutBox", DispatchKind::Method, &Control::AboutBox)
            .Add(1, "GetStatus", DispatchKind::Method, &Control::GetStatus)
            .AddProperty(1, "ReceptDate", VT_BSTR, &Control::GetNothing, &Control::SetNothing)
            .AddProperty(2, "FactoryName", VT_BSTR, &Control::GetNothing, &Control::SetNothing)
            .AddProperty(20, "ImageFolder", VT_BSTR, &Control::GetFolder, &Control::SetFolder)
            .Add(40, "Add", DispatchKind::Method, &Control::AddNumbers, {VT_I4, VT_I4})
            .Add(41, "Echo", DispatchKind::Method, &Control::Echo, {VT_VARIANT})
            .Add(42, "Fails", DispatchKind::Method, &Control::Fails)
            .Add(43, "RunsOutOfMemory", DispatchKind::Method, &Control::RunsOutOfMemory)
            .Add(44, "Refuses", DispatchKind::Method, &Control::Refuses);
    return table;
  }

  std::uint32_t status = 7;
  int nothingCalls = 0;
  int aboutBoxCalls = 0;
  std::string folder;

 private:
  HRESULT AboutBox(DispatchCall&) {
    ++aboutBoxCalls;
    return S_OK;
  }
  HRESULT GetStatus(DispatchCall& call) {
    call.result = Variant::UI4(status);
    return S_OK;
  }
  HRESULT GetNothing(DispatchCall& call) {
    ++nothingCalls;
    call.result = Variant::Text("");
    return S_OK;
  }
  HRESULT SetNothing(DispatchCall&) {
    ++nothingCalls;
    return S_OK;
  }
  HRESULT GetFolder(DispatchCall& call) {
    call.result = Variant::Text(folder);
    return S_OK;
  }
  HRESULT SetFolder(DispatchCall& call) {
    folder = call.args[0].AsText();
    return S_OK;
  }
  HRESULT AddNumbers(DispatchCall& call) {
    call.result = Variant::I4(call.args[0].AsI4() + call.args[1].AsI4());
    return S_OK;
  }
  HRESULT Echo(DispatchCall& call) {
    call.result = call.args[0];
    return S_OK;
  }
  HRESULT Fails(DispatchCall&) { throw std::runtime_error("fails"); }
  HRESULT RunsOutOfMemory(DispatchCall&) { throw std::bad_alloc(); }
  HRESULT Refuses(DispatchCall& call) {
    call.result = Variant::I4(1);
    return E_INVALIDARG;
  }
};

class DispatchTest : public ::testing::Test {
 protected:
  ComPtr<Control> control = MakeObject<Control>();
  IDispatch* dispatch = control.Get();
};

TEST_F(DispatchTest, NamesResolveWithoutRegardToCase) {
  struct Case {
    const char* name;
    HRESULT hr;
    DISPID id;
  } cases[] = {
      {"GetStatus", S_OK, 1},
      {"getstatus", S_OK, 1},
      {"ReceptDate", S_OK, 1},
      {"RECEPTDATE", S_OK, 1},
      {"AboutBox", S_OK, DISPID_ABOUTBOX},
      {"imageFolder", S_OK, 20},
      {"GetStatusX", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
      {"", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN},
  };
  for (const Case& c : cases) {
    DISPID id = 12345;
    EXPECT_EQ(dispatch->GetIDsOfNames(c.name, &id), c.hr) << c.name;
    EXPECT_EQ(id, c.id) << c.name;
  }
  EXPECT_EQ(dispatch->GetIDsOfNames("GetStatus", nullptr), E_POINTER);
}

// DISPID 1 belongs to GetStatus, the first entry that carries it: by DISPID and by either name.
TEST_F(DispatchTest, ACollidingDispidReachesTheFirstEntry) {
  for (const char* name : {"GetStatus", "ReceptDate"}) {
    Variant result;
    ASSERT_EQ(InvokeByName(dispatch, name, DISPATCH_METHOD, {}, &result), S_OK) << name;
    EXPECT_EQ(result, Variant::UI4(7)) << name;
    Variant scripted;
    ASSERT_EQ(InvokeByName(dispatch, name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &scripted), S_OK) << name;
    EXPECT_EQ(scripted, Variant::UI4(7)) << name;
  }
  EXPECT_EQ(dispatch->Invoke(1, DISPATCH_PROPERTYGET, {}, nullptr), DISP_E_MEMBERNOTFOUND)
      << "the text property behind GetStatus is never reached";
  EXPECT_EQ(dispatch->Invoke(1, DISPATCH_PROPERTYPUT, {Variant::Text("x")}, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control->nothingCalls, 0);
}

TEST_F(DispatchTest, PropertiesGetAndPut) {
  Variant result = Variant::I4(1);
  ASSERT_EQ(dispatch->Invoke(2, DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(result, Variant::Text("")) << "a property that stores nothing";
  ASSERT_EQ(dispatch->Invoke(2, DISPATCH_PROPERTYPUT, {Variant::Text("工場")}, nullptr), S_OK);
  EXPECT_EQ(control->nothingCalls, 2);

  ASSERT_EQ(dispatch->Invoke(20, DISPATCH_PROPERTYPUT, {Variant::Text("/data/画像")}, nullptr), S_OK);
  EXPECT_EQ(control->folder, "/data/画像");
  ASSERT_EQ(InvokeByName(dispatch, "ImageFolder", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(result, Variant::Text("/data/画像"));
  // A number put into a text property arrives as its text.
  ASSERT_EQ(dispatch->Invoke(20, DISPATCH_PROPERTYPUT, {Variant::I4(12)}, nullptr), S_OK);
  EXPECT_EQ(control->folder, "12");
  ASSERT_EQ(dispatch->Invoke(DISPID_ABOUTBOX, DISPATCH_METHOD, {}, nullptr), S_OK);
  EXPECT_EQ(control->aboutBoxCalls, 1);
}

TEST_F(DispatchTest, CallsThatDoNotFitAreRefused) {
  struct Case {
    const char* name;
    DISPID id;
    std::uint16_t flags;
    std::vector<Variant> args;
    HRESULT hr;
    Variant result;
  } cases[] = {
      {"UnknownDispid", 3, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, {}},
      {"UnknownNegativeDispid", -4, DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND, {}},
      {"NoKindInFlags", 1, 0, {}, E_INVALIDARG, {}},
      {"PutOnAMethod", DISPID_ABOUTBOX, DISPATCH_PROPERTYPUT, {Variant::I4(1)}, DISP_E_MEMBERNOTFOUND, {}},
      {"MethodOnAProperty", 20, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, {}},
      {"TooFewArguments", 40, DISPATCH_METHOD, {Variant::I4(1)}, DISP_E_BADPARAMCOUNT, {}},
      {"TooManyArguments", 1, DISPATCH_METHOD, {Variant::I4(1)}, DISP_E_BADPARAMCOUNT, {}},
      {"PutWithoutValue", 20, DISPATCH_PROPERTYPUT, {}, DISP_E_BADPARAMCOUNT, {}},
      {"ArgumentOfNoFittingType", 40, DISPATCH_METHOD, {Variant::Text("x"), Variant::I4(1)}, DISP_E_TYPEMISMATCH, {}},
      {"ArgumentsChangedToTheirTypes", 40, DISPATCH_METHOD, {Variant::Text("40"), Variant::UI4(2)}, S_OK,
       Variant::I4(42)},
      {"AnyArgument", 41, DISPATCH_METHOD, {Variant::Bytes({9})}, S_OK, Variant::Bytes({9})},
      {"HandlerThrows", 42, DISPATCH_METHOD, {}, DISP_E_EXCEPTION, {}},
      {"HandlerRunsOutOfMemory", 43, DISPATCH_METHOD, {}, E_OUTOFMEMORY, {}},
      {"HandlerFailsWithAResult", 44, DISPATCH_METHOD, {}, E_INVALIDARG, Variant::I4(1)},
  };
  for (const Case& c : cases) {
    Variant result;
    EXPECT_EQ(dispatch->Invoke(c.id, c.flags, c.args, &result), c.hr) << c.name;
    EXPECT_EQ(result, c.result) << c.name;
  }
  EXPECT_EQ(InvokeByName(dispatch, "NoSuchMember", DISPATCH_METHOD, {}, nullptr), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(InvokeByName(nullptr, "GetStatus", DISPATCH_METHOD, {}, nullptr), E_POINTER);
}

}  // namespace
