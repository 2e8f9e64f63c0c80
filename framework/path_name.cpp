#include "framework/path_name.h"

#include "framework/sjis.h"

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  // The path as the C text it stands for.
  std::size_t nul = path.find('\0');
  if (nul != std::string_view::npos) path = path.substr(0, nul);
  if (path.size() >= 2 && path[1] == ':' && !sjis::IsLead(static_cast<unsigned char>(path[0]))) {
    parts.drive = std::string(path.substr(0, 2));
    path.remove_prefix(2);
  }
  // The folder ends after the last separator that is a character of its own.
  std::size_t lastSep = std::string_view::npos, lastDot = std::string_view::npos;
  for (std::size_t i = 0; i < path.size();) {
    std::size_t len = sjis::CharLen(path, i);
    if (len == 1) {
      if (path[i] == '\\' || path[i] == '/') {
        lastSep = i;
        lastDot = std::string_view::npos;
      } else if (path[i] == '.') {
        lastDot = i;
      }
    }
    i += len;
  }
  std::size_t nameStart = lastSep == std::string_view::npos ? 0 : lastSep + 1;
  parts.dir = std::string(path.substr(0, nameStart));
  std::string_view file = path.substr(nameStart);
  if (lastDot != std::string_view::npos) {
    std::size_t dot = lastDot - nameStart;
    parts.name = std::string(file.substr(0, dot));
    parts.ext = std::string(file.substr(dot));
  } else {
    parts.name = std::string(file);
  }
  return parts;
}

std::string DotExtension(std::string_view text) { return "." + std::string(text); }

CPathName::CPathName() { m_Path.reserve(kMaxPath); }

int CPathName::SetPath(std::string_view path) {
  std::size_t nul = path.find('\0');
  if (nul != std::string_view::npos) path = path.substr(0, nul);
  if (path.size() > kMaxPath) return 0;
  m_Path = std::string(path);
  Split();
  return 1;
}

void CPathName::Split() {
  PathParts p = SplitPath(m_Path);
  m_Drive = std::move(p.drive);
  m_Dir = std::move(p.dir);
  m_Name = std::move(p.name);
  m_Ext = std::move(p.ext);
}

int CPathName::Rebuild() {
  std::string joined = m_Drive + m_Dir + m_Name + m_Ext;
  if (joined.size() > kMaxPath) {
    Split();
    return 0;
  }
  m_Path = std::move(joined);
  return 1;
}

std::string CPathName::GetFolder() {
  if (m_Drive.empty()) Split();
  return m_Drive + m_Dir;
}

std::string CPathName::GetFileName() {
  if (m_Name.empty()) Split();
  return m_Name + m_Ext;
}

int CPathName::SetFileName(std::string_view fileName) {
  if (m_Name.empty()) Split();
  PathParts p = SplitPath(fileName);
  m_Name = std::move(p.name);
  m_Ext = p.ext.empty() || p.ext[0] == '.' ? std::move(p.ext) : DotExtension(p.ext);
  return Rebuild();
}

int CPathName::SetExtension(std::string_view extension) {
  if (m_Ext.empty()) Split();
  std::size_t nul = extension.find('\0');
  if (nul != std::string_view::npos) extension = extension.substr(0, nul);
  if (!extension.empty() && extension[0] != '.') {
    m_Ext = DotExtension(extension);
  } else {
    m_Ext = std::string(extension);
  }
  return Rebuild();
}

int CPathName::AppendFolder(std::string_view folderName) {
  if (m_Dir.empty()) Split();
  std::size_t nul = folderName.find('\0');
  if (nul != std::string_view::npos) folderName = folderName.substr(0, nul);
  // "Ends with a backslash" means a backslash character: the folder "\\表"
  // ends with the trail byte 0x5C and still needs its separator.
  if (!sjis::EndsWithChar(m_Dir, '\\')) m_Dir += '\\';
  m_Dir += folderName;
  if (!folderName.empty() && !sjis::EndsWithChar(folderName, '\\')) m_Dir += '\\';
  return Rebuild();
}
