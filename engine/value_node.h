// The one kind of list the script engine keeps: named values in insertion
// order (script variables, constants, globals, script lines, labels, macros,
// the control stack, the backlog, the read marks).
//
// Nodes never move once made: frames keep pointers to their current line and
// the read marks cache their node. A list makes its nodes in blocks of its
// own (a script of 100,000 lines is one list), reuses the places of removed
// nodes, and keeps its blocks over a Clear for the next fill. Lookups go
// through an open-addressed index of the first node of each name beside the
// chain; the chain's order and its duplicate rule (the older node wins) are
// what callers see.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

// A node's backlog header: the thirteen words of a record, kept apart from
// the node (few nodes are records); all words read 0 on other nodes.
class NodeHeader {
 public:
  NodeHeader() = default;
  NodeHeader& operator=(const BacklogHeader& h) {
    if (!m_pWords) m_pWords = std::make_unique<BacklogHeader>();
    *m_pWords = h;
    return *this;
  }
  std::int32_t operator[](std::size_t i) const { return m_pWords ? (*m_pWords)[i] : 0; }
  BacklogHeader Words() const { return m_pWords ? *m_pWords : BacklogHeader{}; }
  void Reset() { m_pWords.reset(); }
  friend bool operator==(const NodeHeader& a, const BacklogHeader& b) { return a.Words() == b; }

 private:
  std::unique_ptr<BacklogHeader> m_pWords;
};

struct ValueNode {
  // Names are kept whole: the name reader accepts 255 bytes and read-mark
  // keys run to 255, more than a fixed field would hold. A node's name does
  // not change once it is in a list (the list's index hashes it).
  std::string name;
  std::string text;                 // '$' and '@'
  std::unique_ptr<ValueList> list;  // '*': the nested list (never null for '*')
  NodeHeader header;                // '@'
  ValueNode* prev = nullptr;
  ValueNode* next = nullptr;
  std::int32_t nValue = 0;          // '%'
  float fValue = 0.0f;              // '!'
  char type = 0;

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
  // A new node named `name`, not yet linked.
  ValueNode* Make(std::string_view name);
  // Destroys a node and keeps its place for the next Make.
  void Free(ValueNode* node);
  ValueNode* Link(ValueNode* node);

  // Index entries: the name's hash and the first node of that name.
  struct Slot {
    std::size_t hash;
    ValueNode* node;
  };
  Slot* FindSlot(std::string_view name, std::size_t hash) const;
  // Whether a numbered name at `number` is kept (or would now be kept) in
  // m_Numbered.
  bool InNumberedRange(std::size_t number) const;
  void IndexInsert(ValueNode* node, std::size_t hash);
  void IndexErase(Slot* slot);
  void IndexGrow();

  ValueNode* m_pHead = nullptr;
  ValueNode* m_pTail = nullptr;
  std::size_t m_nCount = 0;
  // First node of each name; on removal of that node the entry moves on to
  // the next node of the same name (always later in the chain). Names that
  // are numbers (NumberOf) below twice the node count and a few more are
  // found by number in `m_Numbered`; the others in `m_Index`, linear probing
  // over a power-of-two table at most three quarters full. A number that
  // came in beyond the numbered range stays in `m_Index`.
  std::vector<ValueNode*> m_Numbered;
  std::vector<Slot> m_Index;
  std::size_t m_nIndexUsed = 0;
  // Node storage: blocks of growing size, filled in order; `m_nBlock` and
  // `m_nInBlock` say where the next fresh node goes, `m_Free` holds the
  // places of removed nodes.
  struct alignas(alignof(ValueNode)) NodeStorage {
    unsigned char bytes[sizeof(ValueNode)];
  };
  struct Block {
    std::unique_ptr<NodeStorage[]> nodes;
    std::size_t size;
  };
  std::vector<Block> m_Blocks;
  std::size_t m_nBlock = 0;
  std::size_t m_nInBlock = 0;
  std::vector<void*> m_Free;
};
