// One file path kept whole and split into drive, folder, name and extension
// (game paths: CP932 with '\\' separators). The whole path is rebuilt after
// every change and never grows past kMaxPath bytes.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

class CPathName {
 public:
  static constexpr std::size_t kMaxPath = 260;

  CPathName();
  virtual ~CPathName() = default;

  // Takes the path whole and splits it. A path longer than kMaxPath is
  // refused (0) and the record stays as it was.
  int SetPath(std::string_view path);
  // Splits the whole path into its parts. Lead bytes are honoured, so the
  // trail byte 0x5C of "表" or "ソ" never counts as a separator; both '\\'
  // and '/' separate; a drive is "X:" at the very start only.
  void Split();
  // Joins the parts into the whole path: 1, or 0 (parts split back from the
  // unchanged whole path) when the result would pass kMaxPath.
  int Rebuild();
  // Drive + folder, and name + extension. Returned by value: the result of
  // one call stays valid beside another's.
  std::string GetFolder();
  std::string GetFileName();
  // Takes only the name and extension of fileName (its drive and folder
  // are dropped, which also defuses "..\\" in names from a script).
  int SetFileName(std::string_view fileName);
  // Sets the extension; a leading dot is added when missing.
  int SetExtension(std::string_view extension);
  // Adds a folder below the current one, each closed by one backslash.
  int AppendFolder(std::string_view folderName);

  const std::string& GetPath() const { return m_Path; }
  const std::string& GetDrive() const { return m_Drive; }
  const std::string& GetDir() const { return m_Dir; }
  const std::string& GetName() const { return m_Name; }
  const std::string& GetExt() const { return m_Ext; }

 private:
  std::string m_Path;
  std::string m_Drive;
  std::string m_Dir;
  std::string m_Name;
  std::string m_Ext;
};

// A dot followed by the text.
std::string DotExtension(std::string_view text);

// The parts of a path as the C runtime's multibyte-aware path splitting
// gives them.
struct PathParts {
  std::string drive, dir, name, ext;
};
PathParts SplitPath(std::string_view path);
