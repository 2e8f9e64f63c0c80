#include "engine/arg_list.h"

#include "engine/expression.h"
#include "engine/line_reader.h"
#include "engine/script_box.h"
#include "engine/value_node.h"
#include "framework/sjis.h"
#include "platform/text.h"

namespace {

bool IsIdentByte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// What follows a fault that ends the list: nothing more of the line is read.
void SkipRest(const char*& p) {
  while (*p != '\0') ++p;
}

}  // namespace

bool ArgSlot::SetText(std::string_view s) {
  return sjis::CopyBounded(bytes, kArgSlotSize, s) == s.size();
}

std::string FetchName(const char*& p) {
  std::string name;
  bool cut = false;
  for (;;) {
    const std::size_t n = sjis::CharLen(p);
    if (n == 0 || (n == 1 && !IsIdentByte(*p))) break;
    if (!cut && name.size() + n > kTokenMax) {
      cut = true;
      ScriptBox(name, SJ("トークン取得エラー"));
    }
    if (!cut) name.append(p, n);
    p += n;
  }
  return name;
}

std::string FetchString(const char*& p) {
  std::string s;
  bool cut = false;
  for (;;) {
    const char c = *p;
    if (c == '\0') break;
    if (c == '"') {
      ++p;
      break;
    }
    const char* from = p;
    std::size_t n;
    if (c == '\\') {
      if (p[1] == '\0') {
        ++p;  // a trailing backslash escapes nothing
        break;
      }
      from = p + 1;
      n = 1;
      p += 2;
    } else {
      n = sjis::CharLen(p);
      p += n;
    }
    if (!cut && s.size() + n > kTokenMax) {
      cut = true;
      ScriptBox(s, SJ("文字列取得エラー"));
    }
    if (!cut) s.append(from, n);
  }
  return s;
}

std::string FetchNumber(const char*& p) {
  std::string s;
  if (*p == '-' || *p == '~') s.push_back(*p++);
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    s.append(p, 2);
    p += 2;
  }
  while (s.size() < 32 && IsHexDigit(*p)) s.push_back(*p++);
  return s;
}

std::string FetchOperator(const char*& p) {
  static constexpr std::string_view kChars = "!%&*+-/<=>^`|~";
  if (*p == '\0' || kChars.find(*p) == std::string_view::npos) return std::string();
  std::string op(1, *p++);
  if (*p == '=') op.push_back(*p++);
  return op;
}

std::string FetchCommandWord(const char*& p) {
  std::string word;
  while (IsIdentByte(*p)) {
    if (word.size() < 32) word.push_back(*p);
    ++p;
  }
  return word;
}

void ParseArgList(ArgSlots& args, const char*& p, const ValueList& rootVars, const ValueList& constants) {
  for (int i = 0; i < kArgSlots; ++i) {
    args[i].SetInt(0);
    args[i].type = 0;
  }
  if (*p != '(') return;
  ++p;
  int count = 0;
  for (;;) {
    p = SkipBlanks(p);
    const char c = *p;
    if (c == ')') {
      ++p;
      return;
    }
    if (c == ',') {
      ++p;
      continue;
    }
    if (count == kArgSlots) {
      ScriptBox(SJ("パラメータが多すぎます。以降のパラメータは捨てられます。"), SJ("デバッグ"));
      SkipRest(p);
      return;
    }
    ArgSlot& slot = args[count];
    if (c == '%' || c == '!' || c == '$') {
      ++p;
      const std::string name = FetchName(p);
      slot.type = c;
      const ValueNode* v = rootVars.Find(name);
      if (!v) {
        ScriptBox(FormatText(SJ("引数リスト中の変数%c%sは宣言されていません。"), c, name.c_str()), SJ("デバッグ"));
      } else if (v->type == VT_INT) {
        slot.SetInt(v->nValue);
      } else if (v->type == VT_FLOAT) {
        slot.SetFloat(v->fValue);
      } else if (v->type == VT_TEXT) {
        // A text variable may be far longer than a slot.
        if (!slot.SetText(v->text)) ScriptBox(slot.Text(), SJ("文字列取得エラー"));
      }
    } else if (c == '"' || c == '\'') {
      ++p;
      slot.SetText(FetchString(p));
      slot.type = '$';
    } else if (c == '-') {
      ++p;
      slot.SetInt(WrapNeg(TextToInt(FetchNumber(p))));
      slot.type = '%';
    } else if ((c >= '0' && c <= '9') || c == '~') {
      slot.SetInt(TextToInt(FetchNumber(p)));
      slot.type = '%';
    } else {
      const std::string name = FetchName(p);
      const ValueNode* k = constants.Find(name);
      if (!k) {
        ScriptBox(FormatText(SJ("名前付き定数 %s は定義されていません。"), name.c_str()), SJ("デバッグ"));
        SkipRest(p);
        return;
      }
      if (k->type == VT_INT) {
        slot.SetInt(k->nValue);
      } else if (k->type == VT_FLOAT) {
        slot.SetFloat(k->fValue);
      } else if (k->type == VT_TEXT) {
        slot.SetText(k->text);
      } else {
        ScriptBox(FormatText(SJ("名前付き定数 %s の値が不正です。"), name.c_str()), SJ("デバッグ"));
        SkipRest(p);
        return;
      }
      slot.type = k->type;
    }
    ++count;
  }
}

void AddNamedConstants(ValueList& constants) {
  static constexpr struct {
    const char* name;
    std::int32_t value;
  } kConstants[] = {
      {"ALL", -1},     {"NUM", 0},      {"SIZE", 1},     {"POS", 2},      {"TRANS", 3},    {"MEMBER", 3},
      {"SYS", 4},      {"TXT", 4},      {"MAX", 4},      {"ADD", 5},      {"CEL", 5},      {"DIR", 5},
      {"PNT", 6},      {"FRM", 6},      {"COLOR", 6},    {"FP", 7},       {"VALUE", 7},    {"PP", 8},
      {"PER", 8},      {"BTN", 9},      {"MOD", 10},     {"BL_BCK", 0},   {"BL_FWD", 1},   {"BL_TOP", 2},
      {"BL_BTM", 3},   {"BL_EXT", 4},   {"OL_CUTIN", 0}, {"OL_RGB", 1},   {"OL_MASK", 2},  {"OL_BL", 10},
      {"OL_BR", 11},   {"OL_BT", 12},   {"OL_BB", 13},   {"OL_WL", 15},   {"OL_WR", 16},   {"OL_WT", 17},
      {"OL_WB", 18},   {"EF_L2R", 1},   {"EF_R2L", 2},   {"EF_T2B", 3},   {"EF_B2T", 4},   {"EF_SLR", 11},
      {"EF_STB", 12},  {"EF_RLR", 16},  {"EF_RRL", 17},  {"LEFT", 0xFFF0}, {"CENTER", 0xFFF1},
      {"RIGHT", 0xFFF2}, {"NON", 0xFFF3},
  };
  for (const auto& k : kConstants) constants.AddInt(k.name, k.value);
}
