// The one kind of list the script engine keeps: named values in insertion
// order (script variables, constants, globals, script lines, labels, macros,
// the control stack, the backlog, the read marks).
//
// Nodes never move once made: frames keep pointers to their current line and
// the read marks cache their node, so a node is its own heap object, linked
// into the chain. Lookups go through an index of the first node of each name
// beside the chain; the chain's order and its duplicate rule (the older node
// wins) are what callers see.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class ValueList;

// Type characters of a node.
enum : char {
  VT_INT = '%',
  VT_FLOAT = '!',
  VT_TEXT = '$',
  VT_LIST = '*',
  VT_BACKLOG = '@',
};

// Thirteen words that head a backlog record (their meaning belongs to the
// backlog).
using BacklogHeader = std::array<std::int32_t, 13>;

struct ValueNode {
  // Names are kept whole: the name reader accepts 255 bytes and read-mark
  // keys run to 255, more than a fixed field would hold.
  std::string name;
  char type = 0;
  std::int32_t nValue = 0;          // '%'
  float fValue = 0.0f;              // '!'
  std::string text;                 // '$' and '@'
  std::unique_ptr<ValueList> list;  // '*': the nested list (never null for '*')
  BacklogHeader header{};           // '@'
  ValueNode* prev = nullptr;
  ValueNode* next = nullptr;

  // Replace the value with one of another type, freeing the old one (a
  // nested list included); the node keeps its name and place.
  void SetInt(std::int32_t v);
  void SetFloat(float v);
  void SetText(std::string_view v);
  void SetEmptyList();
  // Copy type and value of another node (a nested list is copied deeply).
  void CopyValueFrom(const ValueNode& other);
};

class ValueList {
 public:
  ValueList() = default;
  ~ValueList();
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;

  ValueNode* Head() const { return m_pHead; }
  ValueNode* Tail() const { return m_pTail; }
  bool Empty() const { return m_pHead == nullptr; }
  std::size_t Size() const { return m_nCount; }

  // AddValue: appended at the tail; the node is returned (never null;
  // allocation failure propagates as std::bad_alloc).
  ValueNode* AddInt(std::string_view name, std::int32_t v);
  ValueNode* AddFloat(std::string_view name, float v);
  ValueNode* AddText(std::string_view name, std::string_view text);
  ValueNode* AddList(std::string_view name);
  ValueNode* AddBacklog(std::string_view name, const BacklogHeader& header, std::string_view text);
  // A node of another kind (any other type character: no value).
  ValueNode* AddTyped(std::string_view name, char type);
  // Appends a copy of another node's name, type and value.
  ValueNode* AddCopy(const ValueNode& other);

  // FindValue: the first node from the head with exactly this name.
  ValueNode* Find(std::string_view name) const;
  // The first node from the head whose name equals this one with ASCII
  // letters folded (trail bytes compared as they are).
  ValueNode* FindNoCase(std::string_view name) const;
  // LastValue: the tail, none when the list is empty.
  ValueNode* Last() const { return m_pTail; }
  // RemoveValue: unlinks and frees the node with its value.
  void Remove(ValueNode* node);
  // PopValuesUntil: removes nodes from the tail until the tail has the name;
  // that node stays and is returned. With no node of that name every node is
  // freed and none is returned: callers that must keep an entry (the control
  // stack's "top") look it up first.
  ValueNode* PopUntil(std::string_view name);
  // ClearValueList.
  void Clear();
  // Whether the node belongs to this list (linear; for checks of cached
  // pointers).
  bool Contains(const ValueNode* node) const;

 private:
  ValueNode* Link(std::unique_ptr<ValueNode> node);

  ValueNode* m_pHead = nullptr;
  ValueNode* m_pTail = nullptr;
  std::size_t m_nCount = 0;
  // First node of each name; on removal of that node the entry moves on to
  // the next node of the same name (always later in the chain).
  std::unordered_map<std::string, ValueNode*> m_Index;
};
