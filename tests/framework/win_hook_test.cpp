#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/win_hook.h"

namespace {

struct Log {
  std::vector<std::string> calls;
};

class Hook : public IWinHook {
 public:
  Hook(std::string name, Log& log, std::int32_t result = 0) : m_Name(std::move(name)), m_Log(log), m_nResult(result) {}
  std::int32_t OnWindowMessage(pl::Window*, std::uint32_t uMsg, pl::WPARAM, pl::LPARAM) override {
    m_Log.calls.push_back(m_Name + ":" + std::to_string(uMsg));
    if (m_fnAction) m_fnAction(uMsg);
    return m_nResult;
  }
  std::string m_Name;
  Log& m_Log;
  std::int32_t m_nResult;
  std::function<void(std::uint32_t)> m_fnAction;
};

TEST(CWinHookList, OrderFirstNonZeroAndDuplicates) {
  struct Case {
    const char* what;
    std::vector<std::int32_t> results;  // one hook each, in order
    std::int32_t expected;
    std::vector<std::string> called;
  };
  const Case cases[] = {
      {"all zero reach every hook", {0, 0, 0}, 0, {"h0:5", "h1:5", "h2:5"}},
      {"non-zero stops the dispatch", {0, 7, 0}, 7, {"h0:5", "h1:5"}},
      {"first hook answers", {-1, 3}, -1, {"h0:5"}},
      {"no hooks", {}, 0, {}},
  };
  for (const Case& c : cases) {
    Log log;
    std::vector<std::unique_ptr<Hook>> hooks;
    CWinHookList list;
    for (size_t i = 0; i < c.results.size(); ++i) {
      hooks.push_back(std::make_unique<Hook>("h" + std::to_string(i), log, c.results[i]));
      list.Add(hooks.back().get());
    }
    EXPECT_EQ(list.Dispatch(nullptr, 5, 0, 0), c.expected) << c.what;
    EXPECT_EQ(log.calls, c.called) << c.what;
  }
}

TEST(CWinHookList, HookAddedTwiceIsCalledTwiceAndOneRemoveTakesBoth) {
  Log log;
  Hook a("a", log), b("b", log);
  CWinHookList list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&a);
  list.Dispatch(nullptr, 1, 0, 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"a:1", "b:1", "a:1"}));
  list.Remove(&a);
  log.calls.clear();
  list.Dispatch(nullptr, 2, 0, 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"b:2"}));
  list.Clear();
  EXPECT_TRUE(list.Hooks().empty());
}

TEST(CWinHookList, NestedDispatchOnTheSameThread) {
  Log log;
  CWinHookList list;
  Hook outer("outer", log), inner("inner", log);
  // A hook that pumps messages, as a screen's loop does.
  outer.m_fnAction = [&](std::uint32_t msg) {
    if (msg == 1) list.Dispatch(nullptr, 2, 0, 0);
  };
  list.Add(&outer);
  list.Add(&inner);
  list.Dispatch(nullptr, 1, 0, 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"outer:1", "outer:2", "inner:2", "inner:1"}));
}

TEST(CWinHookList, RemovedDuringDispatchIsNotCalledAgain) {
  Log log;
  CWinHookList list;
  Hook first("first", log), victim("victim", log), last("last", log);
  // The first hook removes a later one inside a nested dispatch: neither the
  // nested nor the outer dispatch may call it afterwards.
  first.m_fnAction = [&](std::uint32_t msg) {
    if (msg == 1) {
      list.Remove(&victim);
      list.Dispatch(nullptr, 2, 0, 0);
    }
  };
  list.Add(&first);
  list.Add(&victim);
  list.Add(&last);
  list.Dispatch(nullptr, 1, 0, 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"first:1", "first:2", "last:2", "last:1"}));
  EXPECT_EQ(list.Hooks(), (std::vector<IWinHook*>{&first, &last}));
}

TEST(CWinHookList, AddedDuringDispatchIsReachedByIt) {
  Log log;
  CWinHookList list;
  Hook screen("screen", log);
  Hook launcher("launcher", log);
  launcher.m_fnAction = [&](std::uint32_t msg) {
    if (msg == 1) list.Add(&screen);
  };
  list.Add(&launcher);
  list.Dispatch(nullptr, 1, 0, 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"launcher:1", "screen:1"}));
}

TEST(CWinHookList, HookRemovingItselfAndClearingDuringDispatch) {
  Log log;
  CWinHookList list;
  Hook self("self", log), after("after", log);
  self.m_fnAction = [&](std::uint32_t) { list.Clear(); };
  list.Add(&self);
  list.Add(&after);
  list.Dispatch(nullptr, 1, 0, 0);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"self:1"}));
  EXPECT_TRUE(list.Hooks().empty());
}

}  // namespace
