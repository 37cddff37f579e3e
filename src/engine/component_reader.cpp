// Component-stream reader: values, property lists, collections, dotted names
// and the resource header around the stream.
#include "engine/component_reader.h"

#include <fmt/printf.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "engine/errors.h"
#include "engine/hash_collection.h"

namespace brakkon::engine {

namespace {

// Deeper nesting than any archive needs; it keeps hostile input off the stack.
constexpr int kMaxDepth = 64;

constexpr std::size_t kResourceHeaderBytes = 79;

std::string NarrowUtf16(std::u16string_view units) {
  std::string text;
  text.reserve(units.size());
  for (char16_t unit : units) text.push_back(unit < 256 ? static_cast<char>(unit) : '?');
  return text;
}

// Code points above 255 and broken sequences become '?'.
std::string NarrowUtf8(std::string_view bytes) {
  std::string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    int extra = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80) {
      text.push_back(static_cast<char>(lead));
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      codePoint = lead & 0x07;
    } else {
      text.push_back('?');
      ++i;
      continue;
    }
    bool valid = i + extra < bytes.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const auto next = static_cast<std::uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (!valid) {
      text.push_back('?');
      ++i;
      continue;
    }
    text.push_back(codePoint < 256 ? static_cast<char>(codePoint) : '?');
    i += 1 + extra;
  }
  return text;
}

// The 10-byte extended-precision layout: 64-bit mantissa with explicit
// integer bit, 15-bit biased exponent, sign.
double DecodeExtended(std::span<const std::uint8_t> bytes) {
  std::uint64_t mantissa = 0;
  for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | bytes[i];
  const int signExponent = bytes[8] | (bytes[9] << 8);
  const bool negative = (signExponent & 0x8000) != 0;
  const int exponent = signExponent & 0x7FFF;
  double value;
  if (exponent == 0x7FFF) {
    value = (mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
  } else {
    value = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
  }
  return negative ? -value : value;
}

struct ColorIdent {
  const char* name;
  TColor color;
};

constexpr ColorIdent kColorIdents[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", 0xFF000000},
    {"clBackground", 0xFF000001},
    {"clActiveCaption", 0xFF000002},
    {"clInactiveCaption", 0xFF000003},
    {"clMenu", 0xFF000004},
    {"clWindow", 0xFF000005},
    {"clWindowFrame", 0xFF000006},
    {"clMenuText", 0xFF000007},
    {"clWindowText", 0xFF000008},
    {"clCaptionText", 0xFF000009},
    {"clActiveBorder", 0xFF00000A},
    {"clInactiveBorder", 0xFF00000B},
    {"clAppWorkSpace", 0xFF00000C},
    {"clHighlight", 0xFF00000D},
    {"clHighlightText", 0xFF00000E},
    {"clBtnFace", 0xFF00000F},
    {"clBtnShadow", 0xFF000010},
    {"clGrayText", 0xFF000011},
    {"clBtnText", 0xFF000012},
    {"clInactiveCaptionText", 0xFF000013},
    {"clBtnHighlight", 0xFF000014},
    {"cl3DDkShadow", 0xFF000015},
    {"cl3DLight", 0xFF000016},
    {"clInfoText", 0xFF000017},
    {"clInfoBk", 0xFF000018},
    {"clHotLight", 0xFF00001A},
    {"clGradientActiveCaption", 0xFF00001B},
    {"clGradientInactiveCaption", 0xFF00001C},
    {"clMenuHighlight", 0xFF00001D},
    {"clMenuBar", 0xFF00001E},
};

void ReadResourceHeader(ByteReader& input) {
  const std::size_t available = std::min(kResourceHeaderBytes, input.Size());
  const auto header = input.Bytes(available);
  if (available < 3 || header[0] != 0xFF || header[1] != 10 || header[2] != 0) {
    throw EInvalidImage("Invalid stream format");
  }
  const auto nameEnd = std::find(header.begin() + 3, header.end(), std::uint8_t{0});
  if (nameEnd == header.end()) {
    // A name cut off by the end of the file is a short stream, not a bad header.
    if (available < kResourceHeaderBytes) throw EReadError("Stream read error");
    throw EInvalidImage("Invalid stream format");
  }
  const std::size_t nameLength = static_cast<std::size_t>(nameEnd - header.begin()) - 3;
  input.Seek(10 + nameLength);
}

}  // namespace

bool IdentToColor(std::string_view ident, TColor& color) {
  for (const ColorIdent& entry : kColorIdents) {
    if (SameText(ident, entry.name)) {
      color = entry.color;
      return true;
    }
  }
  return false;
}

TPropertyList::Entry& TPropertyList::Add(std::string_view name) {
  Entry& entry = entries_.emplace_back();
  entry.name = std::string(name);
  return entry;
}

void TPropertyList::Integer(std::string_view name, std::function<void(std::int32_t)> set) {
  Add(name).read = [set = std::move(set)](TReader& reader) { set(reader.ReadInteger()); };
}

void TPropertyList::Boolean(std::string_view name, std::function<void(bool)> set) {
  Add(name).read = [set = std::move(set)](TReader& reader) { set(reader.ReadBoolean()); };
}

void TPropertyList::String(std::string_view name, std::function<void(std::string)> set) {
  Add(name).read = [set = std::move(set)](TReader& reader) { set(reader.ReadString()); };
}

void TPropertyList::Color(std::string_view name, std::function<void(TColor)> set) {
  Add(name).read = [set = std::move(set)](TReader& reader) { set(reader.ReadColor()); };
}

void TPropertyList::Value(std::string_view name, ValueReader read) {
  Add(name).read = std::move(read);
}

void TPropertyList::Object(std::string_view name, TStreamObject* object) {
  Entry& entry = Add(name);
  entry.isObject = true;
  entry.object = object;
}

void TPropertyList::Collection(std::string_view name, TCollectionTarget& target,
                               TStreamObject* object) {
  Entry& entry = Add(name);
  entry.isObject = object != nullptr;
  entry.object = object;
  entry.read = [&target](TReader& reader) { reader.ReadCollection(target); };
}

void TPropertyList::Binary(std::string_view name, BinaryReader read) {
  Entry& entry = Add(name);
  entry.defined = true;
  entry.binary = std::move(read);
}

void TPropertyList::Others(std::function<void(const std::string& name, TReader&)> read) {
  others_ = std::move(read);
}

const TPropertyList::Entry* TPropertyList::FindPublished(std::string_view name) const {
  for (const Entry& entry : entries_) {
    if (!entry.defined && SameText(entry.name, name)) return &entry;
  }
  return nullptr;
}

const TPropertyList::Entry* TPropertyList::FindDefined(std::string_view name) const {
  for (const Entry& entry : entries_) {
    if (entry.defined && SameText(entry.name, name)) return &entry;
  }
  return nullptr;
}

void DefineComponentRootProperties(TPropertyList& properties) {
  properties.String("Name", [](const std::string&) {});
  for (const char* name : {"Tag", "Left", "Top"}) properties.Integer(name, [](std::int32_t) {});
}

TReader::TReader(ByteReader& input, std::string rootName)
    : input_(input), rootName_(std::move(rootName)) {}

void TReader::PropertyError(const std::string& message) const {
  if (propertyPath_.empty()) throw EReadError(message);
  throw EReadError(
      fmt::sprintf("Error reading %s%s%s: %s", rootName_, ".", propertyPath_, message));
}

void TReader::InvalidValue() const {
  PropertyError("Invalid property value");
}

void TReader::Enter() {
  if (++depth_ > kMaxDepth) {
    --depth_;
    InvalidValue();
  }
}

TValueType TReader::NextValue() const {
  const std::uint8_t type = input_.PeekU8();
  if (type > static_cast<std::uint8_t>(TValueType::vaUTF8String)) InvalidValue();
  return static_cast<TValueType>(type);
}

TValueType TReader::ReadValueType() {
  const TValueType type = NextValue();
  input_.Skip(1);
  return type;
}

std::int32_t TReader::ReadInteger() {
  switch (ReadValueType()) {
    case TValueType::vaInt8:
      return input_.I8();
    case TValueType::vaInt16:
      return input_.I16();
    case TValueType::vaInt32:
      return input_.I32();
    default:
      InvalidValue();
  }
}

std::int64_t TReader::ReadInt64() {
  if (NextValue() == TValueType::vaInt64) {
    input_.Skip(1);
    return input_.I64();
  }
  return ReadInteger();
}

bool TReader::ReadBoolean() {
  switch (ReadValueType()) {
    case TValueType::vaFalse:
      return false;
    case TValueType::vaTrue:
      return true;
    default:
      InvalidValue();
  }
}

std::string TReader::ReadStringOfType(TValueType type) {
  switch (type) {
    case TValueType::vaString:
    case TValueType::vaIdent:
      return input_.ShortString();
    case TValueType::vaLString:
    case TValueType::vaUTF8String: {
      const auto bytes = input_.Bytes(input_.U32());
      return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case TValueType::vaWString: {
      const std::size_t count = input_.U32();
      const auto bytes = input_.Bytes(count * 2);
      std::u16string units(count, u'\0');
      for (std::size_t i = 0; i < count; ++i) {
        units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      }
      return NarrowUtf16(units);
    }
    default:
      InvalidValue();
  }
}

std::string TReader::ReadString() {
  const TValueType type = ReadValueType();
  switch (type) {
    case TValueType::vaString:
    case TValueType::vaLString:
    case TValueType::vaWString:
      return ReadStringOfType(type);
    case TValueType::vaUTF8String:
      return NarrowUtf8(ReadStringOfType(type));
    default:
      InvalidValue();
  }
}

std::string TReader::ReadIdent() {
  if (ReadValueType() != TValueType::vaIdent) InvalidValue();
  return input_.ShortString();
}

TColor TReader::ReadColor() {
  if (NextValue() == TValueType::vaIdent) {
    TColor color = 0;
    if (!IdentToColor(ReadIdent(), color)) InvalidValue();
    return color;
  }
  return static_cast<TColor>(ReadInteger());
}

double TReader::ReadFloat() {
  switch (ReadValueType()) {
    case TValueType::vaExtended:
      return DecodeExtended(input_.Bytes(10));
    case TValueType::vaSingle:
      return input_.F32();
    case TValueType::vaCurrency:
      return static_cast<double>(input_.I64()) / 10000.0;
    case TValueType::vaDate:
      return input_.F64();
    default:
      InvalidValue();
  }
}

TValue TReader::ReadValue() {
  return ReadValueOfType(ReadValueType());
}

TValue TReader::ReadValueOfType(TValueType type) {
  TValue value;
  value.type = type;
  switch (type) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
      break;
    case TValueType::vaList:
      Enter();
      while (NextValue() != TValueType::vaNull) value.list.push_back(ReadValue());
      input_.Skip(1);
      Leave();
      break;
    case TValueType::vaInt8:
      value.integer = input_.I8();
      break;
    case TValueType::vaInt16:
      value.integer = input_.I16();
      break;
    case TValueType::vaInt32:
      value.integer = input_.I32();
      break;
    case TValueType::vaInt64:
    case TValueType::vaCurrency:
      value.integer = input_.I64();
      break;
    case TValueType::vaExtended:
      value.real = DecodeExtended(input_.Bytes(10));
      break;
    case TValueType::vaSingle:
      value.real = input_.F32();
      break;
    case TValueType::vaDate:
      value.real = input_.F64();
      break;
    case TValueType::vaString:
    case TValueType::vaIdent:
    case TValueType::vaLString:
    case TValueType::vaUTF8String:
      value.text = ReadStringOfType(type);
      break;
    case TValueType::vaWString: {
      const std::size_t count = input_.U32();
      const auto bytes = input_.Bytes(count * 2);
      value.wide.resize(count);
      for (std::size_t i = 0; i < count; ++i) {
        value.wide[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
      }
      value.text = NarrowUtf16(value.wide);
      break;
    }
    case TValueType::vaBinary: {
      const auto bytes = input_.Bytes(input_.U32());
      value.bytes.assign(bytes.begin(), bytes.end());
      break;
    }
    case TValueType::vaSet:
      for (std::string element = input_.ShortString(); !element.empty();
           element = input_.ShortString()) {
        value.elements.push_back(std::move(element));
      }
      break;
    case TValueType::vaCollection:
      Enter();
      while (NextValue() != TValueType::vaNull) {
        TValue::Item& item = value.items.emplace_back();
        const TValueType next = NextValue();
        if (next == TValueType::vaInt8 || next == TValueType::vaInt16 ||
            next == TValueType::vaInt32) {
          item.hasOrder = true;
          item.order = ReadInteger();
        }
        if (ReadValueType() != TValueType::vaList) InvalidValue();
        for (std::string name = input_.ShortString(); !name.empty(); name = input_.ShortString()) {
          TValue property = ReadValue();
          item.properties.emplace_back(std::move(name), std::move(property));
        }
      }
      input_.Skip(1);
      Leave();
      break;
  }
  return value;
}

void TReader::SkipValue() {
  SkipValueOfType(ReadValueType());
}

void TReader::SkipValueOfType(TValueType type) {
  switch (type) {
    case TValueType::vaNull:
    case TValueType::vaFalse:
    case TValueType::vaTrue:
    case TValueType::vaNil:
      break;
    case TValueType::vaList:
      Enter();
      while (NextValue() != TValueType::vaNull) SkipValue();
      input_.Skip(1);
      Leave();
      break;
    case TValueType::vaInt8:
      input_.Skip(1);
      break;
    case TValueType::vaInt16:
      input_.Skip(2);
      break;
    case TValueType::vaInt32:
    case TValueType::vaSingle:
      input_.Skip(4);
      break;
    case TValueType::vaInt64:
    case TValueType::vaCurrency:
    case TValueType::vaDate:
      input_.Skip(8);
      break;
    case TValueType::vaExtended:
      input_.Skip(10);
      break;
    case TValueType::vaString:
    case TValueType::vaIdent:
      input_.ShortString();
      break;
    case TValueType::vaBinary:
    case TValueType::vaLString:
    case TValueType::vaUTF8String:
      input_.Skip(input_.U32());
      break;
    case TValueType::vaWString:
      input_.Skip(std::size_t{input_.U32()} * 2);
      break;
    case TValueType::vaSet:
      while (!input_.ShortString().empty()) {
      }
      break;
    case TValueType::vaCollection:
      Enter();
      while (NextValue() != TValueType::vaNull) {
        const TValueType next = NextValue();
        if (next == TValueType::vaInt8 || next == TValueType::vaInt16 ||
            next == TValueType::vaInt32) {
          SkipValue();
        }
        if (ReadValueType() != TValueType::vaList) InvalidValue();
        SkipPropertyList();
      }
      input_.Skip(1);
      Leave();
      break;
  }
}

void TReader::SkipPropertyList() {
  while (!input_.ShortString().empty()) SkipValue();
}

void TReader::ReadCollection(TCollectionTarget& target) {
  if (ReadValueType() != TValueType::vaCollection) InvalidValue();
  Enter();
  bool cleared = false;
  while (NextValue() != TValueType::vaNull) {
    if (!cleared) {
      target.ClearItems();
      cleared = true;
    }
    const TValueType next = NextValue();
    if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32) {
      ReadInteger();
    }
    if (ReadValueType() != TValueType::vaList) InvalidValue();
    const std::unique_ptr<TStreamObject> item = target.AddItem();
    ReadProperties(*item);
  }
  input_.Skip(1);
  Leave();
}

void TReader::ReadProperties(TStreamObject& object) {
  while (input_.PeekU8() != 0) ReadProperty(object);
  input_.Skip(1);
}

void TReader::ReadProperty(TStreamObject& object) {
  const std::string path = input_.ShortString();
  std::string outerPath = std::move(propertyPath_);
  propertyPath_ = path;

  TStreamObject* target = &object;
  std::size_t stepStart = 0;
  for (std::size_t dot = path.find('.'); dot != std::string::npos;
       dot = path.find('.', stepStart)) {
    const std::string step = path.substr(stepStart, dot - stepStart);
    TPropertyList properties;
    target->DefineProperties(properties);
    const TPropertyList::Entry* entry = properties.FindPublished(step);
    if (entry == nullptr) PropertyError(fmt::sprintf("Property %s does not exist", step));
    if (!entry->isObject || entry->object == nullptr) PropertyError("Invalid property path");
    target = entry->object;
    stepStart = dot + 1;
  }
  const std::string name = path.substr(stepStart);

  TPropertyList properties;
  target->DefineProperties(properties);
  if (const TPropertyList::Entry* entry = properties.FindPublished(name)) {
    if (!entry->read) InvalidValue();
    entry->read(*this);
  } else if (const TPropertyList::Entry* defined = properties.FindDefined(name)) {
    ReadBinaryInto(defined->binary);
  } else if (properties.OthersReader()) {
    properties.OthersReader()(name, *this);
  } else {
    PropertyError(fmt::sprintf("Property %s does not exist", name));
  }
  propertyPath_ = std::move(outerPath);
}

void TReader::ReadBinaryInto(const TPropertyList::BinaryReader& read) {
  const TValueType type = ReadValueType();
  if (type != TValueType::vaBinary) {
    SkipValueOfType(type);
    InvalidValue();
  }
  // The payload is cut out first, so a reader that takes less keeps the stream in step.
  read(input_.Bytes(input_.U32()));
}

void TReader::ReadPrefix() {
  const std::uint8_t prefix = input_.PeekU8();
  if ((prefix & 0xF0) != 0xF0) return;
  input_.Skip(1);
  if ((prefix & 0x02) != 0) ReadInteger();
}

void TReader::SkipComponent() {
  Enter();
  ReadPrefix();
  input_.ShortString();
  input_.ShortString();
  SkipPropertyList();
  while (input_.PeekU8() != 0) SkipComponent();
  input_.Skip(1);
  Leave();
}

TReader::RootRecord TReader::ReadRootComponent(TStreamObject& root) {
  RootRecord record;
  ReadPrefix();
  record.className = input_.ShortString();
  record.name = input_.ShortString();
  rootName_ = record.name;
  ReadProperties(root);
  // Archives carry no children; any that appear are passed over.
  while (input_.PeekU8() != 0) SkipComponent();
  input_.Skip(1);
  return record;
}

TReader::RootRecord ReadComponentResource(std::span<const std::uint8_t> bytes,
                                          TStreamObject& root) {
  ByteReader input(bytes);
  ReadResourceHeader(input);
  const auto signature = input.Bytes(4);
  if (!std::equal(signature.begin(), signature.end(), "TPF0")) {
    throw EReadError("Invalid stream format");
  }
  TReader reader(input, std::string());
  return reader.ReadRootComponent(root);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName) {
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  const auto openError = [&fileName] {
    return EFOpenError(fmt::sprintf("Cannot open file \"%s\". %s", fileName, std::strerror(errno)));
  };
  if (file == nullptr) throw openError();
  // One read into a buffer of the file's size: growing it chunk by chunk copied
  // the 10 MB menu archive over and over and was most of the game's start-up.
  std::vector<std::uint8_t> bytes;
  // Only a regular file has a size to trust; anything else is read in steps.
  std::error_code sizeError;
  std::uintmax_t size = 0;
  if (std::filesystem::is_regular_file(fileName, sizeError))
    size = std::filesystem::file_size(fileName, sizeError);
  if (sizeError || size > (std::uintmax_t{1} << 31)) size = 0;
  bytes.resize(static_cast<std::size_t>(size) + 1);
  std::size_t filled = 0;
  std::size_t got = 0;
  // The extra byte shows a file that grew since it was measured; it is read on in steps.
  while ((got = std::fread(bytes.data() + filled, 1, bytes.size() - filled, file)) > 0) {
    filled += got;
    if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
  }
  bytes.resize(filled);
  // A directory opens but cannot be read: it is a file that cannot be opened.
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  std::fclose(file);
  if (failed) {
    errno = readErrno;
    throw openError();
  }
  return bytes;
}

}  // namespace brakkon::engine
