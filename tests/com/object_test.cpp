#include "platform/com/object.h"

#include <gtest/gtest.h>

#include "platform/com/connection.h"
#include "platform/com/dispatch.h"
#include "platform/com/property_bag.h"

namespace {

using namespace platform::com;

// An object of two interfaces that tells when it goes.
class TwoFaced final : public ComObject<TwoFaced, IDispatch, IPersistPropertyBag> {
 public:
  explicit TwoFaced(bool& gone) : gone_(gone) {}
  ~TwoFaced() override { gone_ = true; }
  HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, std::uint16_t, const std::vector<Variant>&, Variant*) override { return S_OK; }
  HRESULT InitNew() override { return S_OK; }
  HRESULT Load(IPropertyBag*) override { return S_OK; }

 private:
  bool& gone_;
};

TEST(ComObject, AnswersItsInterfacesWithOneIdentity) {
  bool gone = false;
  ComPtr<TwoFaced> object = MakeObject<TwoFaced>(gone);
  ComPtr<IDispatch> dispatch;
  ComPtr<IPersistPropertyBag> persist;
  ComPtr<IUnknown> unknownOfDispatch, unknownOfPersist;
  ASSERT_EQ(object.As(dispatch), S_OK);
  ASSERT_EQ(object.As(persist), S_OK);
  ASSERT_EQ(dispatch.As(unknownOfDispatch), S_OK);
  ASSERT_EQ(persist.As(unknownOfPersist), S_OK);
  EXPECT_EQ(unknownOfDispatch, unknownOfPersist);
  EXPECT_EQ(static_cast<void*>(dispatch.Get()), static_cast<void*>(static_cast<IDispatch*>(object.Get())));
  EXPECT_EQ(static_cast<void*>(persist.Get()), static_cast<void*>(static_cast<IPersistPropertyBag*>(object.Get())));
  EXPECT_NE(static_cast<void*>(dispatch.Get()), static_cast<void*>(persist.Get()));

  ComPtr<IConnectionPointContainer> none;
  EXPECT_EQ(object.As(none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  void* out = &gone;
  EXPECT_EQ(object->QueryInterface(MakeGuid("{00000001-0000-0000-C000-000000000046}"), &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(object->QueryInterface(IDispatch::kIid, nullptr), E_POINTER);
}

TEST(ComObject, GoesWithItsLastReference) {
  bool gone = false;
  ComPtr<IDispatch> dispatch;
  {
    ComPtr<TwoFaced> object = MakeObject<TwoFaced>(gone);
    ASSERT_EQ(object.As(dispatch), S_OK);
  }
  EXPECT_FALSE(gone);
  ComPtr<IDispatch> copy = dispatch;
  dispatch.Reset();
  EXPECT_FALSE(gone);
  IDispatch* raw = copy.Detach();
  EXPECT_FALSE(gone);
  ComPtr<IDispatch> adopted = Adopt(raw);
  IDispatch* counted = nullptr;
  EXPECT_EQ(adopted.CopyTo(&counted), S_OK);
  adopted.Reset();
  EXPECT_FALSE(gone);
  EXPECT_EQ(counted->Release(), 0u);
  EXPECT_TRUE(gone);
}

TEST(ComPtr, EmptyPointerAsks) {
  ComPtr<IDispatch> empty;
  ComPtr<IUnknown> out;
  EXPECT_EQ(empty.As(out), E_POINTER);
  EXPECT_FALSE(empty);
  EXPECT_EQ(empty.CopyTo(nullptr), E_POINTER);
}

}  // namespace
