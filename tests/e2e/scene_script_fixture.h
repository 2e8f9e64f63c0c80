// A START script of the test's own over pictures made with abmpack, run by
// the whole process on the fake backend; the presented picture is read back
// from the window at any pump.
#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/kiv_base.h"
#include "framework/globals.h"
#include "platform/window.h"
#include "scene/object_tables.h"
#include "tests/e2e/process_fixture.h"

namespace kvtest {

struct ScreenPicture {
  static constexpr int kW = 1024, kH = 600;
  std::vector<std::uint32_t> px;  // 0xAARRGGBB, kW x kH
  bool Empty() const { return px.empty(); }
  std::uint32_t Rgb(int x, int y) const { return px[static_cast<std::size_t>(y) * kW + x] & 0xFFFFFFu; }
  static int R(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }
  static int G(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
  static int B(std::uint32_t p) { return static_cast<int>(p & 0xFF); }
};

// A test name made of the letters and digits of a case's description.
inline std::string CaseName(const char* what) {
  std::string name;
  for (const char* p = what; *p; ++p)
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  return name;
}

struct SceneScript : Process {
  CKivBase* Engine() { return globals.m_App.m_pKivBase; }

  // True at the first pump after each present: a frame is looked at once,
  // when it has been presented.
  std::size_t presentsSeen = 0;
  bool NewFramePresented() {
    const bool fresh = fake.presents.size() != presentsSeen;
    presentsSeen = fake.presents.size();
    return fresh;
  }

  // A picture "grp/<name>" from an abmpack recipe.
  void MakePicture(const std::string& name, const std::string& recipe) {
    const std::string out = folder / ("grp/" + name);
    ASSERT_TRUE(WriteFile(out + ".recipe", recipe));
    ASSERT_EQ(RunCommand(ToolPath("abmpack") + " " + out + " " + out + ".recipe"), 0) << name;
    std::remove((out + ".recipe").c_str());
  }
  // A plain background of one colour (0xAARRGGBB).
  void MakeBackground(const std::string& name, const char* argb) {
    MakePicture(name, std::string("variant 24\nsize 1024 600\nfill 614400 ") + argb + "\n");
  }

  ScreenPicture Presented() {
    ScreenPicture p;
    pl::Window* w = GetMainWindowHandle();
    if (!w) return p;
    std::lock_guard<std::mutex> lock(w->pixelsMu);
    if (w->clientWidth != ScreenPicture::kW || w->clientHeight != ScreenPicture::kH) return p;
    p.px = w->front;
    return p;
  }

  // The integer variable `name` of the script, -999 when it has none.
  std::int32_t Var(const char* name) {
    if (!Engine()) return -999;
    CScriptEngine& s = Engine()->Script();
    ValueNode* v = s.FindVariable(s.m_Root, name);
    return v ? v->nValue : -999;
  }

  // The script `lines` (each a command line) after a START label, followed
  // by an endless wait.
  static std::string Script(const std::vector<std::string>& lines) {
    std::string s = "::START\r\n\r\n";
    for (const std::string& l : lines) s += l + "\r\n";
    s += "var(%idle)\r\n^wh(%idle==0)\r\nwait(1000)\r\n^endw\r\n::END\r\n";
    return s;
  }
};

}  // namespace kvtest
