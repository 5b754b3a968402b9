// The settings store: named settings, each declared once as an item (name, section, key,
// default), read and written through the manager's filer. Values live in an INI file
// (or, on Windows only, a registry key); nothing is cached between operations.
#pragma once

#include <QColor>
#include <QFont>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QObject;

namespace talvero {

class TIniFile;
class TRegManager;

enum TRegType : uint8_t { rtReg = 0, rtIni = 1 };

// Message of the registry back end on systems that have no registry.
inline constexpr const char* kRegistryUnavailable =
    "can not create Registry object. The registry is not available on this system; "
    "use an INI file.";

class TRegItem {
 public:
  TRegItem() = default;
  TRegItem(std::string name, std::string section, std::string ident, std::string defaultValue)
      : FName(std::move(name)),
        FSection(std::move(section)),
        FIdent(std::move(ident)),
        FDefaultValue(std::move(defaultValue)) {}

  const std::string& Name() const { return FName; }
  const std::string& Section() const { return FSection; }
  const std::string& Ident() const { return FIdent; }
  const std::string& DefaultValue() const { return FDefaultValue; }
  void SetName(std::string v) { FName = std::move(v); }
  void SetSection(std::string v) { FSection = std::move(v); }
  void SetIdent(std::string v) { FIdent = std::move(v); }
  void SetDefaultValue(std::string v) { FDefaultValue = std::move(v); }

  void Assign(const TRegItem& source) { *this = source; }

 private:
  std::string FName;
  std::string FSection;
  std::string FIdent;
  std::string FDefaultValue;
};

// The ordered items; addresses stay valid while items are added.
class TRegItems {
 public:
  TRegItem& Add();
  TRegItem& Add(std::string name, std::string section, std::string ident,
                std::string defaultValue);
  int Count() const { return static_cast<int>(FItems.size()); }
  TRegItem& Items(int index) { return *FItems.at(static_cast<size_t>(index)); }
  void Clear() { FItems.clear(); }

  // The first item whose name matches without regard to case; nullptr when none does.
  TRegItem* FindItem(std::string_view name) const;

 private:
  std::vector<std::unique_ptr<TRegItem>> FItems;
};

// A font as the store keeps it: the face, its colour and character-set number.
struct TRegFont {
  QFont Font;
  QColor Color = Qt::black;
  int Charset = 1;  // the default character set
};

// The toolkit's colour text: a colour constant's name ("clRed") or "$00BBGGRR".
std::string ColorToString(const QColor& color);
// The reverse; ConvertError for text that is neither a colour name nor an integer.
QColor StringToColor(std::string_view text);

// Reads and writes the setting of its current item. The manager's one filer is rebound
// by every lookup, so a filer from Filers() is valid until the next lookup.
class TRegFiler {
 public:
  explicit TRegFiler(TRegManager& manager) : FManager(manager) {}
  virtual ~TRegFiler() = default;
  TRegFiler(const TRegFiler&) = delete;
  TRegFiler& operator=(const TRegFiler&) = delete;

  TRegItem* Item() const { return FItem; }
  void SetItem(TRegItem* item) { FItem = item; }
  TRegManager& Manager() const { return FManager; }

  // The stored text, or `defaultValue` when the store, section or key is missing or the
  // section or key is empty.
  virtual std::string ReadValue(const std::string& section, const std::string& key,
                                const std::string& defaultValue);
  // Stores the text; nothing when section or key is empty or the store cannot be opened.
  virtual void WriteValue(const std::string& section, const std::string& key,
                          const std::string& text);
  virtual bool ReadBool();
  virtual void WriteBool(bool value);
  virtual int32_t ReadInt();
  virtual void WriteInt(int32_t value);
  virtual std::string ReadText();
  virtual void WriteText(const std::string& text);
  virtual void ReadFont(TRegFont* font);
  virtual void WriteFont(const TRegFont* font);
  virtual void ReadStrings(std::vector<std::string>* list);
  virtual void WriteStrings(const std::vector<std::string>* list);
  // Appends the stored bytes to the stream at its position.
  virtual void ReadStream(std::ostream* stream);
  // Stores the bytes from the stream's position to its end.
  virtual void WriteStream(std::istream* stream);
  // Restores the object's stored properties written by WriteComponent.
  virtual void ReadComponent(QObject* control);
  // Stores the object's stored properties; nothing for a top-level window (a form).
  virtual void WriteComponent(QObject* component);

  void DeleteValue(const std::string& section, const std::string& key);

 protected:
  // Reports and gives false when registry mode cannot be used (always, off Windows).
  bool OpenRegistry();
  // The INI file object, or nullptr (reported) when no file name is set.
  std::unique_ptr<TIniFile> OpenIniFile();

 private:
  // Opens the store for one key (reporting what cannot be opened); nullptr when there is
  // no store or the section or key is empty.
  std::unique_ptr<TIniFile> OpenStore(const std::string& section, const std::string& key);
  int32_t ReadIntValue(const std::string& key, const std::string& defaultValue);
  // True (reported once) in registry mode, so that an operation of many keys shows one box.
  bool RegistryMode();
  // Keys countKey and entryPrefix + 0, 1, ...: read them, or write them deleting the
  // entries (and the count) that the new list no longer has.
  std::vector<std::string> ReadIndexed(const std::string& countKey, const std::string& entryPrefix);
  void WriteIndexed(const std::string& countKey, const std::string& entryPrefix,
                    const std::vector<std::string>& entries);

  TRegManager& FManager;
  TRegItem* FItem = nullptr;
};

class TRegManager {
 public:
  TRegManager() = default;
  virtual ~TRegManager();
  TRegManager(const TRegManager&) = delete;
  TRegManager& operator=(const TRegManager&) = delete;

  const std::string& IniFileName() const { return FIniFileName; }
  void SetIniFileName(std::string v) { FIniFileName = std::move(v); }
  const std::string& RegDir() const { return FRegDir; }
  void SetRegDir(std::string v) { FRegDir = std::move(v); }
  TRegType RegType() const { return FRegType; }
  void SetRegType(TRegType v) { FRegType = v; }
  TRegItems& RegItems() { return FRegItems; }

  // The filer bound to the item of that name; an unknown name is reported and the filer
  // comes back bound to no item (reads give false, 0 or "", writes do nothing).
  TRegFiler& Filers(std::string_view name);

 protected:
  // Supplies the filer; a descendant may return a descendant of TRegFiler. Called once,
  // at the first lookup.
  virtual std::unique_ptr<TRegFiler> CreateFiler();

 private:
  std::string FIniFileName;
  std::string FRegDir;
  std::unique_ptr<TRegFiler> FFiler;  // declared first: it outlives the items it points at
  TRegItems FRegItems;
  TRegType FRegType = rtReg;
};

}  // namespace talvero
