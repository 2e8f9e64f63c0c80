#include "engine/value_node.h"

#include "framework/sjis.h"

namespace {

void ResetValue(ValueNode& n) {
  n.nValue = 0;
  n.fValue = 0.0f;
  n.text.clear();
  n.text.shrink_to_fit();
  n.list.reset();
  n.header = {};
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
  const BacklogHeader headerCopy = other.header;
  ResetValue(*this);
  type = other.type;
  nValue = other.nValue;
  fValue = other.fValue;
  text = textCopy;
  header = headerCopy;
  if (type == VT_LIST) list = copied ? std::move(copied) : std::make_unique<ValueList>();
}

ValueList::~ValueList() { Clear(); }

ValueNode* ValueList::Link(std::unique_ptr<ValueNode> node) {
  ValueNode* n = node.release();
  n->prev = m_pTail;
  n->next = nullptr;
  if (m_pTail) {
    m_pTail->next = n;
  } else {
    m_pHead = n;
  }
  m_pTail = n;
  ++m_nCount;
  m_Index.try_emplace(n->name, n);
  return n;
}

ValueNode* ValueList::AddInt(std::string_view name, std::int32_t v) {
  auto n = std::make_unique<ValueNode>();
  n->name.assign(name);
  n->type = VT_INT;
  n->nValue = v;
  return Link(std::move(n));
}

ValueNode* ValueList::AddFloat(std::string_view name, float v) {
  auto n = std::make_unique<ValueNode>();
  n->name.assign(name);
  n->type = VT_FLOAT;
  n->fValue = v;
  return Link(std::move(n));
}

ValueNode* ValueList::AddText(std::string_view name, std::string_view text) {
  auto n = std::make_unique<ValueNode>();
  n->name.assign(name);
  n->type = VT_TEXT;
  n->text.assign(text);
  return Link(std::move(n));
}

ValueNode* ValueList::AddList(std::string_view name) {
  auto n = std::make_unique<ValueNode>();
  n->name.assign(name);
  n->type = VT_LIST;
  n->list = std::make_unique<ValueList>();
  return Link(std::move(n));
}

ValueNode* ValueList::AddBacklog(std::string_view name, const BacklogHeader& header, std::string_view text) {
  auto n = std::make_unique<ValueNode>();
  n->name.assign(name);
  n->type = VT_BACKLOG;
  n->header = header;
  n->text.assign(text);
  return Link(std::move(n));
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
      auto n = std::make_unique<ValueNode>();
      n->name.assign(name);
      n->type = type;
      return Link(std::move(n));
    }
  }
}

ValueNode* ValueList::AddCopy(const ValueNode& other) {
  auto n = std::make_unique<ValueNode>();
  n->name = other.name;
  n->CopyValueFrom(other);
  return Link(std::move(n));
}

ValueNode* ValueList::Find(std::string_view name) const {
  auto it = m_Index.find(std::string(name));
  return it == m_Index.end() ? nullptr : it->second;
}

ValueNode* ValueList::FindNoCase(std::string_view name) const {
  for (ValueNode* n = m_pHead; n; n = n->next) {
    if (sjis::EqualNoCase(n->name, name)) return n;
  }
  return nullptr;
}

void ValueList::Remove(ValueNode* node) {
  if (!node) return;
  auto it = m_Index.find(node->name);
  if (it != m_Index.end() && it->second == node) {
    ValueNode* later = node->next;
    while (later && later->name != node->name) later = later->next;
    if (later) {
      it->second = later;
    } else {
      m_Index.erase(it);
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
  delete node;
}

ValueNode* ValueList::PopUntil(std::string_view name) {
  while (m_pTail && m_pTail->name != name) Remove(m_pTail);
  return m_pTail;
}

void ValueList::Clear() {
  // Freed from the head without the index walk: the whole index goes.
  ValueNode* n = m_pHead;
  while (n) {
    ValueNode* next = n->next;
    delete n;
    n = next;
  }
  m_pHead = m_pTail = nullptr;
  m_nCount = 0;
  m_Index.clear();
}

bool ValueList::Contains(const ValueNode* node) const {
  for (const ValueNode* n = m_pHead; n; n = n->next) {
    if (n == node) return true;
  }
  return false;
}
