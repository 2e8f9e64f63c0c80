#include "engine/value_node.h"

#include <algorithm>
#include <functional>
#include <new>

#include "framework/sjis.h"

namespace {

void ResetValue(ValueNode& n) {
  n.nValue = 0;
  n.fValue = 0.0f;
  n.text.clear();
  n.text.shrink_to_fit();
  n.list.reset();
  n.header.Reset();
}

}  // namespace

void ValueNode::SetInt(std::int32_t v) {
  ResetValue(*this);
  type = VT_INT;
  nValue = v;
}

void ValueNode::SetFloat(float v) {
  ResetValue(*this);
  type = VT_FLOAT;
  fValue = v;
}

void ValueNode::SetText(std::string_view v) {
  if (type == VT_TEXT) {
    text.assign(v);
    return;
  }
  ResetValue(*this);
  type = VT_TEXT;
  text.assign(v);
}

void ValueNode::SetEmptyList() {
  ResetValue(*this);
  type = VT_LIST;
  list = std::make_unique<ValueList>();
}

void ValueNode::CopyValueFrom(const ValueNode& other) {
  if (&other == this) return;
  std::unique_ptr<ValueList> copied;
  if (other.type == VT_LIST && other.list) {
    copied = std::make_unique<ValueList>();
    for (const ValueNode* n = other.list->Head(); n; n = n->next) copied->AddCopy(*n);
  }
  const std::string textCopy = other.text;
  const BacklogHeader headerCopy = other.header.Words();
  const bool hadHeader = other.type == VT_BACKLOG;
  ResetValue(*this);
  type = other.type;
  nValue = other.nValue;
  fValue = other.fValue;
  text = textCopy;
  if (hadHeader || headerCopy != BacklogHeader{}) header = headerCopy;
  if (type == VT_LIST) list = copied ? std::move(copied) : std::make_unique<ValueList>();
}

namespace {

std::size_t HashName(std::string_view name) { return std::hash<std::string_view>{}(name); }

// The number a name of one to nine decimal digits without a leading zero
// spells (the keys of script lines and macro bodies), 0 for other names.
std::size_t NumberOf(std::string_view name) {
  if (name.empty() || name.size() > 9 || name[0] < '1' || name[0] > '9') return 0;
  std::size_t v = 0;
  for (const char c : name) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + static_cast<std::size_t>(c - '0');
  }
  return v;
}

// Blocks grow from this many nodes to the largest size, so that the many
// small lists stay small and a script's lines take few blocks.
constexpr std::size_t kFirstBlock = 4;
constexpr std::size_t kLargestBlock = 4096;

}  // namespace

ValueList::~ValueList() { Clear(); }

ValueNode* ValueList::Make(std::string_view name) {
  void* place;
  if (!m_Free.empty()) {
    place = m_Free.back();
    m_Free.pop_back();
  } else {
    while (m_nBlock < m_Blocks.size() && m_nInBlock == m_Blocks[m_nBlock].size) {
      ++m_nBlock;
      m_nInBlock = 0;
    }
    if (m_nBlock == m_Blocks.size()) {
      const std::size_t size = m_Blocks.empty() ? kFirstBlock : std::min(m_Blocks.back().size * 2, kLargestBlock);
      m_Blocks.push_back(Block{std::make_unique_for_overwrite<NodeStorage[]>(size), size});
      m_nInBlock = 0;
    }
    place = &m_Blocks[m_nBlock].nodes[m_nInBlock++];
  }
  // Default-initialised: every member has its own initialiser.
  ValueNode* n = ::new (place) ValueNode;
  try {
    n->name.assign(name);
  } catch (...) {
    Free(n);
    throw;
  }
  return n;
}

void ValueList::Free(ValueNode* node) {
  node->~ValueNode();
  m_Free.push_back(node);
}

ValueList::Slot* ValueList::FindSlot(std::string_view name, std::size_t hash) const {
  if (m_Index.empty()) return nullptr;
  const std::size_t mask = m_Index.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = m_Index[i];
    if (!s.node) return nullptr;
    if (s.hash == hash && s.node->name == name) return const_cast<Slot*>(&s);
  }
}

void ValueList::IndexGrow() {
  std::vector<Slot> old(m_Index.empty() ? 8 : m_Index.size() * 2, Slot{0, nullptr});
  old.swap(m_Index);
  const std::size_t mask = m_Index.size() - 1;
  for (const Slot& s : old) {
    if (!s.node) continue;
    std::size_t i = s.hash & mask;
    while (m_Index[i].node) i = (i + 1) & mask;
    m_Index[i] = s;
  }
}

void ValueList::IndexInsert(ValueNode* node, std::size_t hash) {
  if ((m_nIndexUsed + 1) * 4 > m_Index.size() * 3) IndexGrow();
  const std::size_t mask = m_Index.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    Slot& s = m_Index[i];
    if (!s.node) {
      s = Slot{hash, node};
      ++m_nIndexUsed;
      return;
    }
    // The older node of a name stays the one found.
    if (s.hash == hash && s.node->name == node->name) return;
  }
}

void ValueList::IndexErase(Slot* slot) {
  // Backward-shift deletion: later entries of the probe run move up so that
  // no search stops early at the hole.
  const std::size_t mask = m_Index.size() - 1;
  std::size_t hole = static_cast<std::size_t>(slot - m_Index.data());
  for (std::size_t j = (hole + 1) & mask; m_Index[j].node; j = (j + 1) & mask) {
    const std::size_t home = m_Index[j].hash & mask;
    // The entry at j may fill the hole unless its home lies cyclically in
    // (hole, j].
    const bool homeBetween = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!homeBetween) {
      m_Index[hole] = m_Index[j];
      hole = j;
    }
  }
  m_Index[hole] = Slot{0, nullptr};
  --m_nIndexUsed;
}

ValueNode* ValueList::Link(ValueNode* n) {
  n->prev = m_pTail;
  n->next = nullptr;
  if (m_pTail) {
    m_pTail->next = n;
  } else {
    m_pHead = n;
  }
  m_pTail = n;
  ++m_nCount;
  const std::size_t number = NumberOf(n->name);
  if (number != 0 && InNumberedRange(number)) {
    if (number < m_Numbered.size() && m_Numbered[number]) return n;  // the older node stays the one found
    if (m_nIndexUsed != 0 && FindSlot(n->name, HashName(n->name))) return n;
    if (number == m_Numbered.size()) {
      m_Numbered.push_back(nullptr);
    } else if (number > m_Numbered.size()) {
      m_Numbered.resize(number + 1, nullptr);
    }
    m_Numbered[number] = n;
    return n;
  }
  IndexInsert(n, HashName(n->name));
  return n;
}

ValueNode* ValueList::AddInt(std::string_view name, std::int32_t v) {
  ValueNode* n = Make(name);
  n->type = VT_INT;
  n->nValue = v;
  return Link(n);
}

ValueNode* ValueList::AddFloat(std::string_view name, float v) {
  ValueNode* n = Make(name);
  n->type = VT_FLOAT;
  n->fValue = v;
  return Link(n);
}

ValueNode* ValueList::AddText(std::string_view name, std::string_view text) {
  ValueNode* n = Make(name);
  n->type = VT_TEXT;
  try {
    n->text.assign(text);
  } catch (...) {
    Free(n);
    throw;
  }
  return Link(n);
}

ValueNode* ValueList::AddList(std::string_view name) {
  ValueNode* n = Make(name);
  n->type = VT_LIST;
  try {
    n->list = std::make_unique<ValueList>();
  } catch (...) {
    Free(n);
    throw;
  }
  return Link(n);
}

ValueNode* ValueList::AddBacklog(std::string_view name, const BacklogHeader& header, std::string_view text) {
  ValueNode* n = Make(name);
  n->type = VT_BACKLOG;
  n->header = header;
  try {
    n->text.assign(text);
  } catch (...) {
    Free(n);
    throw;
  }
  return Link(n);
}

ValueNode* ValueList::AddTyped(std::string_view name, char type) {
  switch (type) {
    case VT_INT:
      return AddInt(name, 0);
    case VT_FLOAT:
      return AddFloat(name, 0.0f);
    case VT_TEXT:
      return AddText(name, "");
    case VT_LIST:
      return AddList(name);
    case VT_BACKLOG:
      return AddBacklog(name, BacklogHeader{}, "");
    default: {
      ValueNode* n = Make(name);
      n->type = type;
      return Link(n);
    }
  }
}

ValueNode* ValueList::AddCopy(const ValueNode& other) {
  ValueNode* n = Make(other.name);
  try {
    n->CopyValueFrom(other);
  } catch (...) {
    Free(n);
    throw;
  }
  return Link(n);
}

bool ValueList::InNumberedRange(std::size_t number) const {
  return number < m_Numbered.size() || number < 2 * m_nCount + 16;
}

ValueNode* ValueList::Find(std::string_view name) const {
  const std::size_t number = NumberOf(name);
  if (number != 0 && number < m_Numbered.size() && m_Numbered[number]) return m_Numbered[number];
  const Slot* s = FindSlot(name, HashName(name));
  return s ? s->node : nullptr;
}

ValueNode* ValueList::FindNoCase(std::string_view name) const {
  for (ValueNode* n = m_pHead; n; n = n->next) {
    if (sjis::EqualNoCase(n->name, name)) return n;
  }
  return nullptr;
}

void ValueList::Remove(ValueNode* node) {
  if (!node) return;
  const std::size_t number = NumberOf(node->name);
  ValueNode** numbered = number != 0 && number < m_Numbered.size() ? &m_Numbered[number] : nullptr;
  Slot* slot = numbered && *numbered == node ? nullptr : FindSlot(node->name, HashName(node->name));
  if ((numbered && *numbered == node) || (slot && slot->node == node)) {
    ValueNode* later = node->next;
    while (later && later->name != node->name) later = later->next;
    if (slot) {
      if (later) {
        slot->node = later;
      } else {
        IndexErase(slot);
      }
    } else {
      *numbered = later;
    }
  }
  if (node->prev) {
    node->prev->next = node->next;
  } else {
    m_pHead = node->next;
  }
  if (node->next) {
    node->next->prev = node->prev;
  } else {
    m_pTail = node->prev;
  }
  --m_nCount;
  Free(node);
}

ValueNode* ValueList::PopUntil(std::string_view name) {
  while (m_pTail && m_pTail->name != name) Remove(m_pTail);
  return m_pTail;
}

void ValueList::Clear() {
  // Destroyed from the head without the index walk: the whole index goes,
  // and the blocks are kept for the next fill.
  ValueNode* n = m_pHead;
  while (n) {
    ValueNode* next = n->next;
    n->~ValueNode();
    n = next;
  }
  m_pHead = m_pTail = nullptr;
  m_nCount = 0;
  m_Numbered.clear();
  std::fill(m_Index.begin(), m_Index.end(), Slot{0, nullptr});
  m_nIndexUsed = 0;
  m_Free.clear();
  m_nBlock = 0;
  m_nInBlock = 0;
}

bool ValueList::Contains(const ValueNode* node) const {
  for (const ValueNode* n = m_pHead; n; n = n->next) {
    if (n == node) return true;
  }
  return false;
}
