#include "platform/com/connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace platform::com;

constexpr IID kEvents = MakeGuid("{B2613C74-0672-43A5-996F-6AD5E652F5BC}");
constexpr DISPID kOnStatusChanged = 2;

class Source final : public ComObject<Source, EventSource<Source>> {
 public:
  static constexpr IID kEventIid = kEvents;
  void SetStatus(std::uint32_t status, std::string_view text) {
    FireEvent(kOnStatusChanged, {Variant::UI4(status), Variant::Text(text)});
  }
};

struct Received {
  std::string sink;
  DISPID id;
  std::vector<Variant> args;
};

ComPtr<EventSink> Recorder(std::vector<Received>& log, std::string name) {
  return MakeObject<EventSink>(kEvents, [&log, name](DISPID id, const std::vector<Variant>& args) {
    log.push_back({name, id, args});
  });
}

class EventsTest : public ::testing::Test {
 protected:
  ComPtr<Source> source = MakeObject<Source>();
  std::vector<Received> log;
};

TEST_F(EventsTest, EverySinkGetsEachEventUntilItIsUnadvised) {
  ComPtr<EventSink> first = Recorder(log, "first"), second = Recorder(log, "second");
  std::uint32_t cookie1 = 0, cookie2 = 0;
  ASSERT_EQ(Advise(source.Get(), kEvents, first.Get(), &cookie1), S_OK);
  ASSERT_EQ(Advise(source.Get(), kEvents, second.Get(), &cookie2), S_OK);
  EXPECT_NE(cookie1, 0u);
  EXPECT_NE(cookie1, cookie2);

  source->SetStatus(1, "");
  source->SetStatus(4, "CGI見積");
  ASSERT_EQ(log.size(), 4u);
  const std::vector<std::string> order = {log[0].sink, log[1].sink, log[2].sink, log[3].sink};
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "first", "second"}));
  EXPECT_EQ(log[3].id, kOnStatusChanged);
  EXPECT_EQ(log[3].args, (std::vector<Variant>{Variant::UI4(4), Variant::Text("CGI見積")}));

  ASSERT_EQ(Unadvise(source.Get(), kEvents, cookie1), S_OK);
  EXPECT_EQ(Unadvise(source.Get(), kEvents, cookie1), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(Unadvise(source.Get(), kEvents, 0), CONNECT_E_NOCONNECTION);
  log.clear();
  source->SetStatus(3, "");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sink, "second");
  ASSERT_EQ(Unadvise(source.Get(), kEvents, cookie2), S_OK);
  log.clear();
  source->SetStatus(1, "");
  EXPECT_TRUE(log.empty());
}

TEST_F(EventsTest, TheConnectionPointKeepsSinksAndItsOwner) {
  ComPtr<EventSink> sink = Recorder(log, "sink");
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(source.As(container), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(MakeGuid("{111DFB95-6443-4B8D-9C13-81A8331DE6B0}"), point.Put()),
            CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point, nullptr);
  ASSERT_EQ(container->FindConnectionPoint(kEvents, point.Put()), S_OK);
  IID iid;
  ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, kEvents);

  std::uint32_t cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  EXPECT_EQ(sink->AddRef(), 3u) << "the point holds the sink";
  sink->Release();
  ASSERT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink->AddRef(), 2u) << "and gives it back";
  sink->Release();

  // The point lives with its owner: holding it holds the owner.
  container.Reset();
  source.Reset();
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  point.Reset();  // the last reference to the owner: it goes, and its point gives the sink back
  EXPECT_EQ(sink->AddRef(), 2u);
  sink->Release();
}

TEST_F(EventsTest, SinksWithoutTheInterfaceAreRefused) {
  class Plain final : public ComObject<Plain, IConnectionPointContainer> {
   public:
    HRESULT FindConnectionPoint(const IID&, IConnectionPoint**) override { return E_NOTIMPL; }
  };
  ComPtr<Plain> plain = MakeObject<Plain>();
  std::uint32_t cookie = 5;
  EXPECT_EQ(Advise(source.Get(), kEvents, plain.Get(), &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(Advise(source.Get(), kEvents, nullptr, &cookie), E_POINTER);
  EXPECT_EQ(Advise(plain.Get(), kEvents, plain.Get(), &cookie), E_NOTIMPL);
  // A sink that answers only IDispatch is taken too.
  class DispatchOnly final : public ComObject<DispatchOnly, IDispatch> {
   public:
    HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT Invoke(DISPID, std::uint16_t, const std::vector<Variant>&, Variant*) override {
      ++calls;
      return S_OK;
    }
    int calls = 0;
  };
  ComPtr<DispatchOnly> only = MakeObject<DispatchOnly>();
  ASSERT_EQ(Advise(source.Get(), kEvents, only.Get(), &cookie), S_OK);
  source->SetStatus(1, "");
  EXPECT_EQ(only->calls, 1);
}

// A sink that unadvises during an event: itself (it stays alive through its own call) or a sink not yet called
// (which then is not called).
TEST_F(EventsTest, SinksMayUnadviseDuringAnEvent) {
  std::uint32_t selfCookie = 0, laterCookie = 0;
  ComPtr<EventSink> later = Recorder(log, "later");
  ComPtr<EventSink> self = MakeObject<EventSink>(kEvents, [&](DISPID, const std::vector<Variant>&) {
    log.push_back({"self", 0, {}});
    Unadvise(source.Get(), kEvents, selfCookie);
    Unadvise(source.Get(), kEvents, laterCookie);
  });
  ASSERT_EQ(Advise(source.Get(), kEvents, self.Get(), &selfCookie), S_OK);
  ASSERT_EQ(Advise(source.Get(), kEvents, later.Get(), &laterCookie), S_OK);
  self.Reset();  // only the point holds it now
  source->SetStatus(1, "");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].sink, "self");
  source->SetStatus(1, "");
  EXPECT_EQ(log.size(), 1u);
}

TEST(EventSink, AnswersItsEventInterfaceAsIDispatch) {
  ComPtr<EventSink> sink = MakeObject<EventSink>(kEvents, nullptr);
  void* asEvents = nullptr;
  ASSERT_EQ(sink->QueryInterface(kEvents, &asEvents), S_OK);
  EXPECT_EQ(asEvents, static_cast<void*>(static_cast<IDispatch*>(sink.Get())));
  static_cast<IDispatch*>(asEvents)->Release();
  EXPECT_EQ(sink->Invoke(2, DISPATCH_PROPERTYGET, {}, nullptr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(sink->Invoke(2, DISPATCH_METHOD, {}, nullptr), S_OK);
}

}  // namespace
