#include "engine/value_node.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> Names(const ValueList& list) {
  std::vector<std::string> out;
  for (const ValueNode* n = list.Head(); n; n = n->next) out.push_back(n->name);
  return out;
}

TEST(ValueListTest, FindRulesAndDuplicates) {
  ValueList list;
  EXPECT_EQ(list.Find("reg"), nullptr);
  EXPECT_EQ(list.Last(), nullptr);  // an empty list has no last value

  ValueNode* older = list.AddInt("abc", 1);
  list.AddInt("x", 2);
  ValueNode* newer = list.AddInt("abc", 3);
  EXPECT_EQ(list.Find("abc"), older);
  EXPECT_EQ(list.Find("ABC"), nullptr);  // exact comparison
  EXPECT_EQ(list.FindNoCase("ABC"), older);
  EXPECT_EQ(list.Last(), newer);
  // The older one gone, lookups fall back to the next node of that name.
  list.Remove(older);
  EXPECT_EQ(list.Find("abc"), newer);
  list.Remove(newer);
  EXPECT_EQ(list.Find("abc"), nullptr);
  EXPECT_EQ(Names(list), std::vector<std::string>{"x"});
}

TEST(ValueListTest, FindNoCaseFoldsOnlySingleByteLetters) {
  ValueList list;
  list.AddInt("\x83\x41", 1);  // ア
  EXPECT_EQ(list.FindNoCase("\x83\x61"), nullptr);  // ャ is another character
  EXPECT_NE(list.FindNoCase("\x83\x41"), nullptr);
}

TEST(ValueListTest, RemovingHeadAndTailRelinks) {
  ValueList list;
  ValueNode* a = list.AddInt("a", 1);
  ValueNode* b = list.AddInt("b", 2);
  list.Remove(a);
  EXPECT_EQ(list.Head(), b);
  EXPECT_EQ(b->prev, nullptr);
  EXPECT_EQ(list.Tail(), b);
  list.Remove(b);
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Tail(), nullptr);
}

TEST(ValueListTest, PopUntil) {
  ValueList list;
  list.AddInt("top", 0);
  ValueNode* wh = list.AddInt("wh", 5);
  list.AddList("gsb");
  list.AddInt("wh", 9);
  // The tail carries the name: nothing goes.
  EXPECT_EQ(list.PopUntil("wh"), list.Tail());
  EXPECT_EQ(list.Size(), 4u);
  EXPECT_EQ(list.PopUntil("gsb")->name, "gsb");
  EXPECT_EQ(list.Size(), 3u);
  EXPECT_EQ(list.PopUntil("wh"), wh);
  // An absent name empties the list: callers that must keep "top" look first.
  EXPECT_EQ(list.PopUntil("jsb"), nullptr);
  EXPECT_TRUE(list.Empty());
  EXPECT_EQ(list.Find("top"), nullptr);
}

TEST(ValueListTest, ValuesOfEveryType) {
  ValueList list;
  list.AddInt("i", -7);
  list.AddFloat("f", 2.5f);
  list.AddText("empty", "");
  list.AddText("t", "\x95\x5C");
  ValueNode* q = list.AddList("q");
  q->list->AddInt("que", 5);
  q->list->AddList("inner")->list->AddText("deep", "x");  // freed recursively (LSan)
  BacklogHeader h{};
  for (int i = 0; i < 13; ++i) h[i] = i * 11;
  ValueNode* rec = list.AddBacklog("", h, "text\\f");
  ValueNode* other = list.AddTyped("o", 'z');

  EXPECT_EQ(list.Find("i")->nValue, -7);
  EXPECT_FLOAT_EQ(list.Find("f")->fValue, 2.5f);
  EXPECT_EQ(list.Find("empty")->type, VT_TEXT);
  EXPECT_EQ(list.Find("empty")->text, "");
  EXPECT_EQ(list.Find("t")->text, "\x95\x5C");
  EXPECT_EQ(q->list->Head()->nValue, 5);
  EXPECT_EQ(rec->header, h);
  EXPECT_EQ(rec->text, "text\\f");
  EXPECT_EQ(other->type, 'z');

  // A type change frees the old value (the nested list of a queue too).
  q->SetInt(4);
  EXPECT_EQ(q->type, VT_INT);
  EXPECT_EQ(q->list, nullptr);
  // A deep copy does not share the nested list.
  ValueNode* src = list.AddList("src");
  src->list->AddInt("stack", 1);
  ValueNode* copy = list.AddCopy(*src);
  src->list->Clear();
  ASSERT_NE(copy->list, nullptr);
  EXPECT_EQ(copy->list->Size(), 1u);
  // Long names stay whole.
  std::string longName(300, 'n');
  list.AddInt(longName, 1);
  EXPECT_EQ(list.Find(longName)->name.size(), 300u);
}

// A random sequence of the operations against a plain vector model: the
// index and the tail pointer must never drift from the chain.
TEST(ValueListTest, RandomOperationsMatchAModel) {
  std::mt19937 rng(12345);
  ValueList list;
  std::vector<std::pair<std::string, int>> model;
  // Plain names and numbers: small ones, one far past the count, and
  // digit strings that are no numbers (a leading zero, zero itself).
  const char* names[] = {"a", "b", "c", "top", "wh", "1", "2", "17", "40", "100000", "0", "01"};
  for (int step = 0; step < 40000; ++step) {
    const int op = static_cast<int>(rng() % 10);
    const std::string name = names[rng() % std::size(names)];
    if (op < 5) {
      list.AddInt(name, step);
      model.emplace_back(name, step);
    } else if (op == 5 && step % 5 == 0) {
      // A run of numbered nodes, as a script's lines come.
      for (int k = 1; k <= 60; ++k) {
        list.AddInt(std::to_string(k), step);
        model.emplace_back(std::to_string(k), step);
      }
    } else if (op < 7 && !model.empty()) {
      // Remove the first node of a name.
      ValueNode* n = list.Find(name);
      auto it = model.begin();
      while (it != model.end() && it->first != name) ++it;
      ASSERT_EQ(n == nullptr, it == model.end());
      if (n) {
        ASSERT_EQ(n->nValue, it->second);
        list.Remove(n);
        model.erase(it);
      }
    } else if (op == 7) {
      ValueNode* n = list.PopUntil(name);
      while (!model.empty() && model.back().first != name) model.pop_back();
      ASSERT_EQ(n == nullptr, model.empty());
      if (n) {
        ASSERT_EQ(n->nValue, model.back().second);
      }
    } else if (op == 8 && list.Tail()) {
      list.Remove(list.Tail());
      model.pop_back();
    } else if (step % 997 == 0) {
      list.Clear();
      model.clear();
    }
    ASSERT_EQ(list.Size(), model.size());
    for (const char* nm : names) {
      ValueNode* n = list.Find(nm);
      auto it = model.begin();
      while (it != model.end() && it->first != nm) ++it;
      ASSERT_EQ(n == nullptr, it == model.end()) << nm << " at step " << step;
      if (n) {
        ASSERT_EQ(n->nValue, it->second);
        ASSERT_EQ(n->name, nm);
        // The first node of the name in the chain.
        if (step % 64 == 0) {
          for (ValueNode* m = list.Head(); m != n; m = m->next) ASSERT_NE(m->name, nm);
        }
      }
    }
    if (!model.empty()) {
      ASSERT_EQ(list.Tail()->nValue, model.back().second);
    }
  }
  // The chain itself, both ways.
  std::size_t i = 0;
  for (ValueNode* n = list.Head(); n; n = n->next, ++i) ASSERT_EQ(n->nValue, model[i].second);
  i = model.size();
  for (ValueNode* n = list.Tail(); n; n = n->prev) ASSERT_EQ(n->nValue, model[--i].second);
}

}  // namespace
