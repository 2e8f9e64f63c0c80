#include "engine/save_slot.h"

#include <algorithm>
#include <bit>
#include <cstdio>

#include "engine/global_file.h"
#include "engine/read_mark_file.h"
#include "engine/save_file.h"
#include "engine/script_engine.h"
#include "engine/script_loader.h"
#include "framework/byte_io.h"
#include "framework/globals.h"
#include "framework/sjis.h"
#include "platform/dialog.h"
#include "platform/file.h"
#include "platform/text.h"
#include "platform/window.h"

namespace {

// Far beyond any story state; a longer file is not a slot.
constexpr std::size_t kMaxSlotFile = 16u << 20;

std::string NumberedName(int slot, const char* suffix) {
  int number;
  if (slot >= 0 && slot <= 98) {
    number = slot + 1;
  } else if (slot == 99) {
    number = 0;
  } else if (slot == kQuickSlot) {
    number = 101;
  } else {
    return {};
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "file%02d%s.dat", number, suffix);
  return buf;
}

// A node's value as the slot stores it.
SlotValue ToSlotValue(const ValueNode& n, bool child) {
  SlotValue v;
  v.name = n.name;
  v.type = n.type;
  switch (n.type) {
    case VT_INT:
      v.bits = static_cast<std::uint32_t>(n.nValue);
      break;
    case VT_FLOAT:
      v.bits = std::bit_cast<std::uint32_t>(n.fValue);
      break;
    case VT_TEXT:
      v.text = n.text;
      break;
    case VT_LIST:
      if (!child && n.list) {
        for (const ValueNode* c = n.list->Head(); c; c = c->next) v.children.push_back(ToSlotValue(*c, true));
      }
      break;
    default:
      break;
  }
  return v;
}

void AddSlotValue(ValueList& list, const SlotValue& v) {
  switch (v.type) {
    case VT_INT:
      list.AddInt(v.name, static_cast<std::int32_t>(v.bits));
      break;
    case VT_FLOAT:
      list.AddFloat(v.name, std::bit_cast<float>(v.bits));
      break;
    case VT_TEXT:
      list.AddText(v.name, v.text);
      break;
    case VT_LIST: {
      ValueNode* c = list.AddList(v.name);
      for (const SlotValue& child : v.children) AddSlotValue(*c->list, child);
      break;
    }
    default:
      list.AddTyped(v.name, v.type);
      break;
  }
}

// The n-th element of a stack entry's list, when it has that type.
const ValueNode* Child(const ValueNode& e, int index, char type) {
  if (e.type != VT_LIST || !e.list) return nullptr;
  const ValueNode* c = e.list->Head();
  for (int i = 0; c && i < index; ++i) c = c->next;
  return c && c->type == type ? c : nullptr;
}
std::string ChildText(const ValueNode& e, int index) {
  const ValueNode* c = Child(e, index, VT_TEXT);
  return c ? c->text : std::string();
}
std::int32_t ChildInt(const ValueNode& e, int index) {
  const ValueNode* c = Child(e, index, VT_INT);
  return c ? c->nValue : 0;
}

void SaveFailed() { savefile::ShowBox(SJ("セーブに失敗しました。"), SJ("確認")); }
void LoadFailed() { savefile::ShowBox(SJ("ロードに失敗しました。"), SJ("エラー")); }

}  // namespace

std::string SlotFileName(int slot) { return NumberedName(slot, ""); }
std::string ThumbnailFileName(int slot) { return NumberedName(slot, "c"); }

std::vector<std::uint8_t> EncodeThumbnail(const std::uint32_t* pixels, int width, int height) {
  byteio::ByteWriter w;
  if (!pixels || width <= 0 || height <= 0) return w.Take();
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < count; ++i) w.U32(pixels[i]);
  return w.Take();
}

bool DecodeThumbnail(std::span<const std::uint8_t> bytes, int width, int height, std::vector<std::uint32_t>* out) {
  out->clear();
  if (width <= 0 || height <= 0) return false;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (bytes.size() != count * 4) return false;
  out->resize(count);
  for (std::size_t i = 0; i < count; ++i) (*out)[i] = byteio::GetLE32(bytes.data() + i * 4);
  return true;
}

bool ReadThumbnail(const std::string& programFolder, int slot, int width, int height,
                   std::vector<std::uint32_t>* out) {
  out->clear();
  const std::string name = ThumbnailFileName(slot);
  if (name.empty() || width <= 0 || height <= 0) return false;
  std::vector<std::uint8_t> bytes;
  const std::size_t expect = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (savefile::ReadLocked(savefile::SavePath(programFolder, name), &bytes, expect) != savefile::ReadResult::kOk) {
    return false;
  }
  return DecodeThumbnail(bytes, width, height, out);
}

std::uint32_t RestorablePendingState(std::uint32_t state) {
  switch (state) {
    case 0:
    case PND_PAUSE:
    case PND_PROMPT_PAGE:
    case PND_FPROMPT:
    case PND_SLCT:
    case PND_BUTTON:
      return state;
    default:
      return 0;
  }
}

void CaptureScriptState(const CScriptEngine& eng, SlotData* slot) {
  const CScriptFrame& root = eng.m_Root;
  slot->title = eng.m_strChapter;
  slot->file = root.m_strFile;
  slot->label = eng.m_strLabel;
  slot->localLabel = eng.m_strLocalLabel;
  slot->line = root.m_nLine;
  slot->lineText = eng.m_LineBuf;
  slot->cursor = static_cast<std::uint32_t>(std::min(root.m_nCursor, eng.m_LineBuf.size()));
  slot->mode = eng.m_nMode;
  slot->stack.clear();
  for (const ValueNode* e = root.m_Stack.Head(); e; e = e->next) {
    SlotStackEntry s;
    s.name = e->name;
    if (e->name == "jsb") {
      s.label = ChildText(*e, 0);
      s.line = ChildInt(*e, 1);
    } else if (e->name == "gsb") {
      s.file = ChildText(*e, 0);
      s.label = ChildText(*e, 1);
      s.line = ChildInt(*e, 2);
      s.localLabel = ChildText(*e, 3);
    } else if (e->name == "wh") {
      s.line = e->type == VT_INT ? e->nValue : 0;
    }
    slot->stack.push_back(std::move(s));
  }
  slot->vars.clear();
  for (const ValueNode* n = root.m_Vars.Head(); n; n = n->next) slot->vars.push_back(ToSlotValue(*n, false));
  slot->defs.clear();
  for (const ValueNode* n = eng.m_Constants.Head(); n; n = n->next) slot->defs.push_back(ToSlotValue(*n, false));
}

void RestoreScriptState(CScriptEngine& eng, const SlotData& slot) {
  CScriptFrame& root = eng.m_Root;
  // A macro call in progress belongs to the story being left.
  root.m_pChild.reset();
  eng.m_strChapter = slot.title;
  root.m_strFile = slot.file;
  eng.m_strLabel = slot.label;
  eng.m_strLocalLabel = slot.localLabel;
  root.m_nLine = slot.line;
  eng.m_LineBuf = slot.lineText;
  root.m_nLineStart = 0;
  root.m_nCursor = slot.cursor;
  eng.m_nMode = slot.mode;
  root.m_pReadMark = nullptr;

  root.m_Stack.Clear();
  for (const SlotStackEntry& s : slot.stack) {
    if (s.name == "jsb") {
      ValueNode* e = root.m_Stack.AddList("jsb");
      e->list->AddText("jsb", s.label);
      e->list->AddInt("jsb", s.line);
    } else if (s.name == "gsb") {
      ValueNode* e = root.m_Stack.AddList("gsb");
      e->list->AddText("gsb", s.file);
      e->list->AddText("gsb", s.label);
      e->list->AddInt("gsb", s.line);
      e->list->AddText("gsb", s.localLabel);
    } else {
      root.m_Stack.AddInt(s.name, s.line);
    }
  }
  root.m_Vars.Clear();
  for (const SlotValue& v : slot.vars) AddSlotValue(root.m_Vars, v);
  eng.m_Constants.Clear();
  for (const SlotValue& v : slot.defs) AddSlotValue(eng.m_Constants, v);
}

int SaveGame(SaveGameContext& ctx, int slot, const std::uint32_t* pixels, int width, int height) {
  const std::string name = SlotFileName(slot);
  if (name.empty()) {
    SaveFailed();
    return 0;
  }
  SlotData data;
  ctx.scene.CaptureSlot(&data);
  CaptureScriptState(ctx.eng, &data);
  data.comment = ctx.comment;
  std::vector<std::uint8_t> bytes;
  const std::string& folder = ctx.eng.m_strProgramFolder;
  if (!EncodeSlot(data, &bytes) || !savefile::EnsureSaveFolder(folder) ||
      !pl::WriteFileReplacing(savefile::SavePath(folder, name), bytes)) {
    SaveFailed();
    return 0;
  }
  if (pixels) {
    if (width <= 0 || height <= 0 ||
        !pl::WriteFileReplacing(savefile::SavePath(folder, ThumbnailFileName(slot)),
                                  EncodeThumbnail(pixels, width, height))) {
      // The game file stays written.
      SaveFailed();
      return 0;
    }
  }
  SaveGlobalFile(folder, ctx.eng.m_Globals);
  ctx.readMarks.Save(ctx.eng, folder);
  return 1;
}

int LoadGame(SaveGameContext& ctx, int slot, int ask) {
  const std::string name = SlotFileName(slot);
  if (name.empty()) return 0;
  CScriptEngine& eng = ctx.eng;
  const std::string& folder = eng.m_strProgramFolder;
  const std::string path = savefile::SavePath(folder, name);
  if (!pl::FileExists(path)) return 0;
  if (ask == 1) {
    int answer = ctx.scene.AskLoadQuestion();
    if (answer == -1) {
      answer = pl::MessageBox(GetMainWindowHandle(), SJ("ロードします。よろしいですか？"), SJ("確認"),
                              pl::MB_OKCANCEL) == pl::IDOK
                   ? 1
                   : 0;
    }
    if (answer != 1) return 0;
  }
  std::vector<std::uint8_t> bytes;
  const savefile::ReadResult rr = savefile::ReadLocked(path, &bytes, kMaxSlotFile);
  if (rr == savefile::ReadResult::kMissing) return 0;
  if (rr == savefile::ReadResult::kFailed) {
    LoadFailed();
    return 0;
  }
  SlotData data;
  switch (ParseSlot(bytes, &data)) {
    case SlotParse::kNotSaved:
      savefile::ShowBox(SJ("データがセーブされていません。"), SJ("警告"));
      return 0;
    case SlotParse::kDamaged:
      LoadFailed();
      return 0;
    case SlotParse::kOk:
      break;
  }
  if (!ctx.scene.CanRestoreSlot(data)) {
    LoadFailed();
    return 0;
  }
  data.pendingState = RestorablePendingState(data.pendingState);

  // From here on the story state is replaced.
  ctx.scene.BeginRestore();
  RestoreScriptState(eng, data);
  ctx.scene.RestoreSlot(data);

  if (!ReadScriptSource(folder, eng.m_pScriptArc, data.file)) {
    savefile::ShowBox(SJ("ロードできませんでした。"), SJ("ロード"));
    return 0;
  }
  LoadScriptFile(eng, data.file, data.label);
  // The loader leaves the frame one line past the label; the saved line is
  // where the story stood, and the restored wait goes on after it.
  if (eng.m_Labels.Find(data.label.empty() ? std::string("START") : data.label)) eng.m_Root.SetLine(data.line);
  eng.m_strLocalLabel = data.localLabel;
  eng.m_LineBuf = data.lineText;
  eng.m_Root.m_nCursor = data.cursor;
  eng.m_bSceneChanged = 0;
  ctx.readMarks.Save(eng, folder);

  ctx.scene.FinishRestore(data, slot == kQuickSlot);
  if (eng.m_nMode == 0) {
    eng.m_bSaveEnabled = 1;
    eng.m_bLoadEnabled = 1;
  }
  if (pl::Window* w = GetMainWindowHandle()) {
    pl::SetWindowText(w, eng.m_strChapter.empty() ? eng.m_strCaption
                                                   : eng.m_strCaption + SJ(" － ") + eng.m_strChapter);
  }
  return 1;
}
