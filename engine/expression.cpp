#include "engine/expression.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "engine/arg_list.h"
#include "engine/command_table.h"
#include "engine/line_reader.h"
#include "engine/script_box.h"
#include "engine/value_node.h"
#include "framework/sjis.h"
#include "platform/c_number.h"
#include "platform/text.h"

namespace {

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

// Parentheses nested deeper than this in one expression are refused: each
// level costs stack, and a hostile line may hold 65,535 of them.
constexpr int kMaxNesting = 256;

void ZeroDivisionBox() {
  ScriptBox(SJ("式の記述に誤りがあります。正しい値は返りません。"), SJ("ゼロ除算エラー"));
}

void MissingVariableBox(char sigil, const std::string& name) {
  ScriptBox(FormatText(SJ("変数 %c%s は宣言されていません。"), sigil, name.c_str()), SJ("デバッグ"));
}

// The integer an operand variable stands for. A text or a list has none
// (the original read the first bytes of its block).
std::int32_t IntOfVariable(const ValueNode& v) {
  switch (v.type) {
    case VT_INT: return v.nValue;
    case VT_FLOAT: return DoubleToInt32(v.fValue);
    default: return 0;
  }
}

struct Number {
  bool isFloat = false;
  std::int32_t i = 0;
  float f = 0.0f;
};

Number NumericOperand(const char*& p, const ValueList& vars) {
  Number n;
  p = SkipBlanks(p);
  if (*p == '%' || *p == '!') {
    const char sigil = *p++;
    const std::string name = FetchName(p);
    const ValueNode* v = vars.Find(name);
    if (!v) {
      MissingVariableBox(sigil, name);
    } else if (v->type == VT_FLOAT) {
      n.isFloat = true;
      n.f = v->fValue;
    } else if (v->type == VT_INT) {
      n.i = v->nValue;
    }
  } else {
    const std::string lit = FetchNumber(p);
    if (FindDot(lit) >= 0) {
      n.isFloat = true;
      n.f = TextToFloat(lit);
    } else {
      n.i = TextToInt(lit);
    }
  }
  return n;
}

std::string TextOperandVariable(const char*& p, const ValueList& vars) {
  const std::string name = FetchName(p);
  const ValueNode* v = vars.Find(name);
  if (!v) {
    MissingVariableBox('$', name);
    return std::string();
  }
  return v->type == VT_TEXT ? v->text : std::string();
}

int g_nDepth = 0;  // nesting of EvalSum within one evaluation (main thread only)

struct DepthGuard {
  DepthGuard() { ++g_nDepth; }
  ~DepthGuard() { --g_nDepth; }
};

// Full-width forms of the bytes 0x20..0x7E and 0xA1..0xDF, as the code page
// 932 runtime converts them.
constexpr std::uint16_t kFullAscii[0x5F] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // sp ! " # $ % & '
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // ( ) * + , - . /
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 0-7
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 8 9 : ; < = > ?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // @ A-G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // H-O
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // P-W
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // X Y Z [ \ ] ^ _
    0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // ` a-g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // h-o
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // p-w
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // x y z { | } ~
};
constexpr std::uint16_t kFullKana[0x3F] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342,  // A1-A8
    0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362, 0x815B,  // A9-B0
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E,  // B1-B8
    0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E,  // B9-C0
    0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // C1-C8
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E,  // C9-D0
    0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // D1-D8
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,          // D9-DF
};

std::uint16_t FullOf(unsigned char c) {
  if (c >= 0x20 && c <= 0x7E) return kFullAscii[c - 0x20];
  if (c >= 0xA1 && c <= 0xDF) return kFullKana[c - 0xA1];
  return 0;
}

// The half-width byte of a full-width character; 0 when it has none.
unsigned char HalfOf(std::uint16_t code) {
  for (int i = 0; i < 0x5F; ++i) {
    if (kFullAscii[i] == code) return static_cast<unsigned char>(0x20 + i);
  }
  for (int i = 0; i < 0x3F; ++i) {
    if (kFullKana[i] == code) return static_cast<unsigned char>(0xA1 + i);
  }
  // The runtime also takes the other full-width tilde and backslash.
  if (code == 0x8160) return '~';
  if (code == 0x815F) return '\\';
  return 0;
}

}  // namespace

std::int32_t WrapAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t WrapSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t WrapMul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
std::int32_t WrapNeg(std::int32_t a) { return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(a)); }

std::int32_t CheckedDiv(std::int32_t a, std::int32_t b) {
  if (b == 0) {
    ZeroDivisionBox();
    return 1;
  }
  if (a == kIntMin && b == -1) return kIntMin;
  return a / b;
}

std::int32_t CheckedMod(std::int32_t a, std::int32_t b) {
  if (b == 0) {
    ZeroDivisionBox();
    return 0;
  }
  if (b == -1) return 0;
  return a % b;
}

std::int32_t IntPow(std::int32_t base, std::int32_t exponent) {
  double result = 1.0;
  double b = base;
  std::uint32_t e = exponent < 0 ? 0u - static_cast<std::uint32_t>(exponent) : static_cast<std::uint32_t>(exponent);
  while (e) {
    if (e & 1u) result *= b;
    b *= b;
    e >>= 1;
  }
  if (exponent < 0) result = 1.0 / result;
  return DoubleToInt32(result);
}

std::int32_t DoubleToInt32(double d) {
  if (!(d > -2147483649.0 && d < 2147483648.0)) return kIntMin;  // NaN too
  return static_cast<std::int32_t>(d);
}

std::int32_t EvalPrimary(const char*& p, const ValueList& vars) {
  p = SkipBlanks(p);
  std::int32_t v = 0;
  const char c = *p;
  if (c == '(') {
    if (g_nDepth >= kMaxNesting) {
      ScriptBox(SJ("式の括弧が深すぎます。"), SJ("文法エラー"));
      return 0;
    }
    ++p;
    v = EvalSum(p, vars);
    p = SkipBlanks(p);
    if (*p == ')') {
      ++p;
    } else {
      ScriptBox(SJ("閉じカッコが見つかりません。"), SJ("文法エラー"));
      // The byte there stands for the missing ')' (never the terminator).
      if (*p != '\0') p += sjis::CharLen(p);
    }
  } else if (c == '%' || c == '!') {
    ++p;
    const std::string name = FetchName(p);
    const ValueNode* var = vars.Find(name);
    if (var) {
      v = IntOfVariable(*var);
    } else {
      MissingVariableBox(c, name);
    }
  } else if (c == '-' || c == '~' || (c >= '0' && c <= '9')) {
    v = TextToInt(FetchNumber(p));
  }
  p = SkipBlanks(p);
  return v;
}

std::int32_t EvalProduct(const char*& p, const ValueList& vars) {
  std::int32_t v = EvalPrimary(p, vars);
  for (;;) {
    p = SkipBlanks(p);
    const char op = *p;
    if (op != '*' && op != '/' && op != '%' && op != '`') return v;
    ++p;
    const std::int32_t r = EvalPrimary(p, vars);
    switch (op) {
      case '*': v = WrapMul(v, r); break;
      case '/': v = CheckedDiv(v, r); break;
      case '%': v = CheckedMod(v, r); break;
      default: v = IntPow(v, r); break;
    }
  }
}

std::int32_t EvalSum(const char*& p, const ValueList& vars) {
  DepthGuard guard;
  std::int32_t v = EvalProduct(p, vars);
  for (;;) {
    p = SkipBlanks(p);
    const char op = *p;
    if (op != '+' && op != '-' && op != '&' && op != '^' && op != '|') return v;
    ++p;
    const std::int32_t r = EvalProduct(p, vars);
    switch (op) {
      case '+': v = WrapAdd(v, r); break;
      case '-': v = WrapSub(v, r); break;
      case '&': v &= r; break;
      case '^': v ^= r; break;
      default: v |= r; break;
    }
  }
}

std::int32_t EvalCondition(const char*& p, const ValueList& vars) {
  p = SkipBlanks(p);
  if (*p == '$' || *p == '"') {
    std::string left;
    if (*p++ == '$') {
      left = TextOperandVariable(p, vars);
    } else {
      left = FetchString(p);
    }
    const int op = FindOperator(FetchOperator(p));
    std::string right;
    if (*p == '$') {
      ++p;
      right = TextOperandVariable(p, vars);
    } else {
      if (*p != '\0') ++p;  // the opening quote
      right = FetchString(p);
    }
    // Compared in place as unsigned bytes, whatever their length.
    const int cmp = left.compare(right);
    switch (op) {
      case OP_EQ: return cmp == 0;
      case OP_NE: return cmp != 0;
      case OP_LT: return cmp < 0;
      case OP_GT: return cmp > 0;
      default:
        ScriptBox(SJ("文字列の関係演算に使えない演算子が使用されています。"), SJ("デバッグ"));
        return 0;
    }
  }
  const Number a = NumericOperand(p, vars);
  const int op = FindOperator(FetchOperator(p));
  const Number b = NumericOperand(p, vars);
  if (op < OP_EQ || op > OP_GT) {
    ScriptBox(SJ("数値の関係演算に使えない演算子が使用されています。"), SJ("デバッグ"));
    return 0;
  }
  if (!a.isFloat && !b.isFloat) {
    switch (op) {
      case OP_EQ: return a.i == b.i;
      case OP_NE: return a.i != b.i;
      case OP_LE: return a.i <= b.i;
      case OP_GE: return a.i >= b.i;
      case OP_LT: return a.i < b.i;
      default: return a.i > b.i;
    }
  }
  const float x = a.isFloat ? a.f : static_cast<float>(a.i);
  const float y = b.isFloat ? b.f : static_cast<float>(b.i);
  switch (op) {
    case OP_EQ: return x == y;
    case OP_NE: return x != y;
    case OP_LE: return x <= y;
    case OP_GE: return x >= y;
    case OP_LT: return x < y;
    default: return x > y;
  }
}

std::int32_t StrToLong32(std::string_view text, int base) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // strtol takes a "0x" prefix in base 16 only when a hex digit follows it.
  if (base == 16 && i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
    i += 2;
  }
  std::int64_t v = 0;
  bool overflow = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'z') {
      d = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'Z') {
      d = c - 'A' + 10;
    } else {
      break;
    }
    if (d >= base) break;
    if (!overflow) {
      v = v * base + d;
      if (v > static_cast<std::int64_t>(kIntMax) + 1) overflow = true;
    }
  }
  // A 32-bit long saturates; the sign is applied to the magnitude read.
  if (negative) {
    if (overflow || v > static_cast<std::int64_t>(kIntMax) + 1) return kIntMin;
    return static_cast<std::int32_t>(-v);
  }
  if (overflow || v > kIntMax) return kIntMax;
  return static_cast<std::int32_t>(v);
}

std::int32_t TextToInt(std::string_view text, std::int32_t* out) {
  char prefix = 0;
  if (!text.empty() && (text[0] == '-' || text[0] == '~')) {
    prefix = text[0];
    text.remove_prefix(1);
  }
  const bool hex = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::int32_t v = StrToLong32(text, hex ? 16 : 10);
  if (prefix == '-') v = WrapNeg(v);
  if (prefix == '~') v = ~v;
  if (out) *out = v;
  return v;
}

float TextToFloat(std::string_view text, float* out) {
  // The "C" locale whatever the process's locale is: a decimal point is '.'.
  const std::string s(text);
  const double d = pl::StrToDoubleC(s.c_str());
  const float f = static_cast<float>(d);
  if (out) *out = f;
  return f;
}

int FindDot(std::string_view text) {
  const std::size_t i = text.find('.');
  return i == std::string_view::npos ? -1 : static_cast<int>(i);
}

std::string FloatToText(float value) {
  const double v = value;
  const std::int32_t whole = DoubleToInt32(v);
  const std::int32_t frac = DoubleToInt32((v - static_cast<double>(whole)) * 1000000.0);
  return std::to_string(whole) + "\x81\x44" + std::to_string(frac);
}

std::string ToHalfWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size() && text[i] != '\0';) {
    const std::size_t n = sjis::CharLen(text, i);
    if (n == 2) {
      const std::uint16_t code = static_cast<std::uint16_t>((static_cast<unsigned char>(text[i]) << 8) |
                                                            static_cast<unsigned char>(text[i + 1]));
      const unsigned char h = HalfOf(code);
      out.push_back(static_cast<char>(h ? h : (code & 0xFF)));
    } else {
      out.push_back(text[i]);
    }
    i += n;
  }
  return out;
}

std::string ToFullWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    const std::uint16_t full = FullOf(static_cast<unsigned char>(c));
    if (full == 0) break;
    out.push_back(static_cast<char>(full >> 8));
    out.push_back(static_cast<char>(full & 0xFF));
  }
  return out;
}
