#include "app/settings/reg_manager.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <QMetaProperty>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdio>
#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "engine/error_reporter.h"
#include "support/errors.h"
#include "support/ini_file.h"
#include "support/number_format.h"
#include "support/string_utils.h"

namespace talvero {

namespace {

// A damaged count ("_ItemCount", "_c") must not make a read loop for hours or fill memory
// with empty entries; no real list or stream comes near this many keys.
constexpr int32_t kMaxIndexedKeys = 65536;

// The toolkit's integer reading: decimal with an optional sign, or "$" and hexadecimal
// digits taken as 32 bits; anything else is "not an integer".
std::optional<int32_t> TextToInt(std::string_view text) {
  const std::optional<int64_t> v = ParseInt64(text);
  if (!v) return std::nullopt;
  if (!text.empty() && text[0] == '$' && *v >= 0 && *v <= 0xFFFFFFFFll)
    return static_cast<int32_t>(static_cast<uint32_t>(*v));
  if (*v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*v);
}

int32_t TextToIntOrZero(std::string_view text) { return TextToInt(text).value_or(0); }

struct NamedColor {
  const char* Name;
  uint32_t Value;  // 0x00BBGGRR
};

constexpr std::array<NamedColor, 20> kColorNames{{
    {"clBlack", 0x000000},     {"clMaroon", 0x000080},  {"clGreen", 0x008000},
    {"clOlive", 0x008080},     {"clNavy", 0x800000},    {"clPurple", 0x800080},
    {"clTeal", 0x808000},      {"clGray", 0x808080},    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},       {"clLime", 0x00FF00},    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},      {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},     {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},     {"clMedGray", 0xA4A0A0},
}};

int FontPointSize(const QFont& font) {
  if (font.pointSize() > 0) return font.pointSize();
  if (font.pixelSize() > 0) return (font.pixelSize() * 72 + 48) / 96;  // at 96 dpi
  return 0;
}

int FontStyleBits(const QFont& font) {
  return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
         (font.strikeOut() ? 8 : 0);
}

// --- Component state: the object's stored properties in a QDataStream ---------------

constexpr quint32 kComponentSignature = 0x54514F31;  // "TQO1"

bool IsForm(const QObject* object) {
  const auto* widget = qobject_cast<const QWidget*>(object);
  return widget && widget->isWindow();
}

QByteArray SaveProperties(const QObject& object) {
  QByteArray data;
  QDataStream out(&data, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  const QMetaObject* meta = object.metaObject();
  out << kComponentSignature << QString::fromLatin1(meta->className()) << object.objectName();
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty p = meta->property(i);
    if (!p.isReadable() || !p.isWritable() || !p.isStored() || qstrcmp(p.name(), "objectName") == 0)
      continue;
    QVariant value = p.read(&object);
    if (p.isEnumType())
      value = QVariant(value.toLongLong());
    else if (!value.metaType().hasRegisteredDataStreamOperators())
      continue;
    out << QByteArray(p.name()) << value;
  }
  out << QByteArray();  // end of the property list
  return data;
}

// Parses everything first, so a damaged stream changes nothing.
void LoadProperties(QObject& object, const QByteArray& data, const std::string& where) {
  QDataStream in(data);
  in.setVersion(QDataStream::Qt_6_0);
  quint32 signature = 0;
  QString className, objectName;
  in >> signature >> className >> objectName;
  std::vector<std::pair<QByteArray, QVariant>> values;
  while (in.status() == QDataStream::Ok && signature == kComponentSignature) {
    QByteArray name;
    in >> name;
    if (in.status() != QDataStream::Ok || name.isEmpty()) break;
    QVariant value;
    in >> value;
    values.emplace_back(std::move(name), std::move(value));
  }
  if (in.status() != QDataStream::Ok || signature != kComponentSignature)
    throw ParseError("the stored state of " + where + " is damaged");
  const QMetaObject* meta = object.metaObject();
  for (const auto& [name, value] : values) {
    const int index = meta->indexOfProperty(name.constData());
    if (index >= 0 && meta->property(index).isWritable()) meta->property(index).write(&object, value);
  }
}

}  // namespace

std::string ColorToString(const QColor& color) {
  const QColor rgb = color.toRgb();
  const uint32_t value = static_cast<uint32_t>(rgb.blue()) << 16 |
                         static_cast<uint32_t>(rgb.green()) << 8 |
                         static_cast<uint32_t>(rgb.red());
  for (const NamedColor& named : kColorNames)
    if (named.Value == value) return named.Name;
  char text[16];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(value));
  return text;
}

QColor StringToColor(std::string_view text) {
  for (const NamedColor& named : kColorNames)
    if (SameTextIgnoreCase(text, named.Name)) return QColor(named.Value & 0xFF, named.Value >> 8 & 0xFF, named.Value >> 16);
  const std::optional<int32_t> v = TextToInt(text);
  if (!v) throw ConvertError("'" + std::string(text) + "' is not a valid colour");
  // Only the colour bytes count; the top byte marks system colours we cannot look up.
  const uint32_t value = static_cast<uint32_t>(*v);
  return QColor(value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF);
}

// --- Items ------------------------------------------------------------------------

TRegItem& TRegItems::Add() { return *FItems.emplace_back(std::make_unique<TRegItem>()); }

TRegItem& TRegItems::Add(std::string name, std::string section, std::string ident,
                         std::string defaultValue) {
  return *FItems.emplace_back(std::make_unique<TRegItem>(
      std::move(name), std::move(section), std::move(ident), std::move(defaultValue)));
}

TRegItem* TRegItems::FindItem(std::string_view name) const {
  for (const auto& item : FItems)
    if (SameTextIgnoreCase(item->Name(), name)) return item.get();
  return nullptr;
}

// --- Manager ----------------------------------------------------------------------

TRegManager::~TRegManager() = default;

std::unique_ptr<TRegFiler> TRegManager::CreateFiler() { return std::make_unique<TRegFiler>(*this); }

TRegFiler& TRegManager::Filers(std::string_view name) {
  if (!FFiler) FFiler = CreateFiler();
  TRegItem* item = FRegItems.FindItem(name);
  if (!item) ShowError("[' " + std::string(name) + " '] is invalid.");
  FFiler->SetItem(item);
  return *FFiler;
}

// --- Filer: opening the store and plain values -------------------------------------

bool TRegFiler::OpenRegistry() {
  ShowError(FManager.RegDir().empty() ? "can not create Registry object." : kRegistryUnavailable);
  return false;
}

std::unique_ptr<TIniFile> TRegFiler::OpenIniFile() {
  if (FManager.IniFileName().empty()) {
    ShowError("can not create Inifile object.");
    return nullptr;
  }
  return std::make_unique<TIniFile>(FManager.IniFileName());
}

std::unique_ptr<TIniFile> TRegFiler::OpenStore(const std::string& section,
                                               const std::string& key) {
  switch (FManager.RegType()) {
    case rtReg:
      OpenRegistry();
      return nullptr;
    case rtIni: {
      std::unique_ptr<TIniFile> ini = OpenIniFile();
      return section.empty() || key.empty() ? nullptr : std::move(ini);
    }
  }
  return nullptr;
}

std::string TRegFiler::ReadValue(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) {
  const std::unique_ptr<TIniFile> ini = OpenStore(section, key);
  return ini ? ini->ReadString(section, key).value_or(defaultValue) : defaultValue;
}

void TRegFiler::WriteValue(const std::string& section, const std::string& key,
                           const std::string& text) {
  if (const std::unique_ptr<TIniFile> ini = OpenStore(section, key))
    ini->WriteString(section, key, text);
}

void TRegFiler::DeleteValue(const std::string& section, const std::string& key) {
  if (const std::unique_ptr<TIniFile> ini = OpenStore(section, key)) ini->DeleteKey(section, key);
}

int32_t TRegFiler::ReadIntValue(const std::string& key, const std::string& defaultValue) {
  return TextToIntOrZero(ReadValue(FItem->Section(), key, defaultValue));
}

bool TRegFiler::ReadBool() {
  if (!FItem) return false;
  const std::string d = UpperAscii(FItem->DefaultValue());
  const bool defaultTrue = d == "1" || d == "TRUE" || d == "YES";
  return ReadIntValue(FItem->Ident(), defaultTrue ? "1" : "0") != 0;
}

void TRegFiler::WriteBool(bool value) {
  if (FItem) WriteValue(FItem->Section(), FItem->Ident(), value ? "1" : "0");
}

int32_t TRegFiler::ReadInt() {
  return FItem ? ReadIntValue(FItem->Ident(), FItem->DefaultValue()) : 0;
}

void TRegFiler::WriteInt(int32_t value) {
  if (FItem) WriteValue(FItem->Section(), FItem->Ident(), std::to_string(value));
}

std::string TRegFiler::ReadText() {
  return FItem ? ReadValue(FItem->Section(), FItem->Ident(), FItem->DefaultValue()) : std::string();
}

void TRegFiler::WriteText(const std::string& text) {
  if (FItem) WriteValue(FItem->Section(), FItem->Ident(), text);
}

// --- Fonts ------------------------------------------------------------------------

void TRegFiler::ReadFont(TRegFont* font) {
  if (!FItem || !font || RegistryMode()) return;
  const std::string& s = FItem->Section();
  const std::string& i = FItem->Ident();
  // Each key defaults to the font's current value and is applied before the next is read.
  font->Font.setFamily(
      QString::fromStdString(ReadValue(s, i + "_FontName", font->Font.family().toStdString())));
  const int current = FontPointSize(font->Font);
  const int size = TextToInt(ReadValue(s, i + "_FontSize", std::to_string(current))).value_or(current);
  if (size > 0) font->Font.setPointSize(size);
  font->Color = StringToColor(ReadValue(s, i + "_FontColor", ColorToString(font->Color)));
  const int style =
      TextToIntOrZero(ReadValue(s, i + "_FontStyle", std::to_string(FontStyleBits(font->Font))));
  font->Font.setBold(style & 1);
  font->Font.setItalic(style & 2);
  font->Font.setUnderline(style & 4);
  font->Font.setStrikeOut(style & 8);
  font->Charset = TextToIntOrZero(ReadValue(s, i + "_FontCharset", std::to_string(font->Charset)));
}

void TRegFiler::WriteFont(const TRegFont* font) {
  if (!FItem || !font || RegistryMode()) return;
  const std::string& s = FItem->Section();
  const std::string& i = FItem->Ident();
  WriteValue(s, i + "_FontName", font->Font.family().toStdString());
  WriteValue(s, i + "_FontSize", std::to_string(FontPointSize(font->Font)));
  WriteValue(s, i + "_FontColor", ColorToString(font->Color));
  WriteValue(s, i + "_FontStyle", std::to_string(FontStyleBits(font->Font)));
  WriteValue(s, i + "_FontCharset", std::to_string(font->Charset));
}

// --- Indexed keys: string lists and byte streams ----------------------------------

bool TRegFiler::RegistryMode() {
  if (FManager.RegType() != rtReg) return false;
  OpenRegistry();
  return true;
}

std::vector<std::string> TRegFiler::ReadIndexed(const std::string& countKey,
                                                const std::string& entryPrefix) {
  std::vector<std::string> entries;
  const int32_t count = std::min(ReadIntValue(countKey, "0"), kMaxIndexedKeys);
  for (int32_t k = 0; k < count; ++k)
    entries.push_back(ReadValue(FItem->Section(), entryPrefix + std::to_string(k), ""));
  return entries;
}

void TRegFiler::WriteIndexed(const std::string& countKey, const std::string& entryPrefix,
                             const std::vector<std::string>& entries) {
  const std::string& s = FItem->Section();
  const auto count = static_cast<int32_t>(std::min<size_t>(entries.size(), INT32_MAX));
  const int32_t old = std::min(ReadIntValue(countKey, "0"), kMaxIndexedKeys);
  if (count < old) {
    for (int32_t k = old - 1; k >= count; --k) DeleteValue(s, entryPrefix + std::to_string(k));
    if (count == 0) DeleteValue(s, countKey);
  }
  if (count == 0) return;
  WriteValue(s, countKey, std::to_string(count));
  for (int32_t k = 0; k < count; ++k)
    WriteValue(s, entryPrefix + std::to_string(k), entries[static_cast<size_t>(k)]);
}

void TRegFiler::ReadStrings(std::vector<std::string>* list) {
  if (!FItem || !list) return;
  list->clear();
  if (RegistryMode()) return;
  *list = ReadIndexed(FItem->Ident() + "_ItemCount", FItem->Ident() + "_Item");
}

void TRegFiler::WriteStrings(const std::vector<std::string>* list) {
  if (!FItem || !list || RegistryMode()) return;
  WriteIndexed(FItem->Ident() + "_ItemCount", FItem->Ident() + "_Item", *list);
}

// In the INI file a stream is hexadecimal text, 32 bytes to a line.
void TRegFiler::ReadStream(std::ostream* stream) {
  if (!FItem || !stream || RegistryMode()) return;
  for (const std::string& line : ReadIndexed(FItem->Ident() + "_c", FItem->Ident() + "_d")) {
    for (size_t p = 0; p + 1 < line.size(); p += 2) {
      const std::optional<int64_t> byte = ParseInt64("$" + line.substr(p, 2));
      stream->put(static_cast<char>(byte.value_or(0)));
    }
  }
}

void TRegFiler::WriteStream(std::istream* stream) {
  if (!FItem || !stream || RegistryMode()) return;
  const std::string bytes{std::istreambuf_iterator<char>(*stream), std::istreambuf_iterator<char>()};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  for (size_t p = 0; p < bytes.size(); ++p) {
    if (p % 32 == 0) lines.emplace_back();
    const auto b = static_cast<unsigned char>(bytes[p]);
    lines.back() += kHex[b >> 4];
    lines.back() += kHex[b & 0xF];
  }
  WriteIndexed(FItem->Ident() + "_c", FItem->Ident() + "_d", lines);
}

// --- Components -------------------------------------------------------------------

void TRegFiler::WriteComponent(QObject* component) {
  if (!FItem || !component || IsForm(component)) return;
  std::istringstream stream(SaveProperties(*component).toStdString());
  WriteStream(&stream);
}

void TRegFiler::ReadComponent(QObject* control) {
  if (!FItem || !control) return;
  std::ostringstream stream;
  ReadStream(&stream);
  const std::string bytes = stream.str();
  if (bytes.empty()) return;
  LoadProperties(*control, QByteArray::fromStdString(bytes),
                 "'" + FItem->Ident() + "' in " + FManager.IniFileName());
}

}  // namespace talvero
