// Reads the component-stream container (resource header, "TPF0", one root
// component record) into objects that describe their own properties.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/byte_reader.h"
#include "engine/rect.h"

namespace brakkon::engine {

// The type byte in front of every value, by its number in the stream.
enum class TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
};

// Any value as stored, for properties read generically.
struct TValue {
  struct Item;

  TValueType type = TValueType::vaNull;
  std::int64_t integer = 0;           // 2, 3, 4, 19; 16 as the integer scaled by 10 000
  double real = 0;                    // 5, 15, 17
  std::string text;                   // 6, 7, 12, 20 as stored; 18 narrowed to single bytes
  std::u16string wide;                // 18
  std::vector<std::uint8_t> bytes;    // 10
  std::vector<std::string> elements;  // 11
  std::vector<TValue> list;           // 1
  std::vector<Item> items;            // 14
};

struct TValue::Item {
  bool hasOrder = false;
  std::int32_t order = 0;
  std::vector<std::pair<std::string, TValue>> properties;
};

class TReader;
class TStreamObject;

// A collection that a stream fills (value type 14).
class TCollectionTarget {
 public:
  virtual ~TCollectionTarget() = default;
  virtual void ClearItems() = 0;
  // Adds an item at the end; the returned object receives the item's properties.
  virtual std::unique_ptr<TStreamObject> AddItem() = 0;
};

// The properties one object offers to a stream, as the object describes them.
// Names are matched ignoring case.
class TPropertyList {
 public:
  using ValueReader = std::function<void(TReader&)>;
  using BinaryReader = std::function<void(std::span<const std::uint8_t>)>;

  // Published properties taking one value of the named kind.
  void Integer(std::string_view name, std::function<void(std::int32_t)> set);
  void Boolean(std::string_view name, std::function<void(bool)> set);
  void String(std::string_view name, std::function<void(std::string)> set);
  void Color(std::string_view name, std::function<void(TColor)> set);
  // A published property whose setter reads the value itself.
  void Value(std::string_view name, ValueReader read);
  // A published property of object type: a step of a dotted name. A null
  // object makes the step an "Invalid property path".
  void Object(std::string_view name, TStreamObject* object);
  // A published collection property; with `object`, also a step of dotted names.
  void Collection(std::string_view name, TCollectionTarget& target,
                  TStreamObject* object = nullptr);
  // A defined binary property: `read` gets exactly the stored payload.
  void Binary(std::string_view name, BinaryReader read);
  // Takes every published name not listed above.
  void Others(std::function<void(const std::string& name, TReader&)> read);

  struct Entry {
    std::string name;
    bool defined = false;
    bool isObject = false;
    TStreamObject* object = nullptr;
    ValueReader read;
    BinaryReader binary;
  };
  const Entry* FindPublished(std::string_view name) const;
  const Entry* FindDefined(std::string_view name) const;
  const std::function<void(const std::string&, TReader&)>& OthersReader() const { return others_; }

 private:
  Entry& Add(std::string_view name);

  std::vector<Entry> entries_;
  std::function<void(const std::string&, TReader&)> others_;
};

// An object whose properties a stream sets.
class TStreamObject {
 public:
  virtual ~TStreamObject() = default;
  virtual void DefineProperties(TPropertyList& properties) = 0;
};

// The component-class properties an archive's root may carry besides its
// list: the name, the tag, and the position a component placed at design time
// stores (Left, Top). The archive has no use for them: each value is checked
// for its type and dropped.
void DefineComponentRootProperties(TPropertyList& properties);

// Reads values and property lists of one component stream. Errors about a
// property ("Property %s does not exist", "Invalid property value", "Invalid
// property path") come as EReadError "Error reading %s%s%s: %s"; a stream that
// ends early raises EReadError "Stream read error".
class TReader {
 public:
  TReader(ByteReader& input, std::string rootName);

  ByteReader& Input() { return input_; }
  const std::string& RootName() const { return rootName_; }

  TValueType NextValue() const;
  TValueType ReadValueType();

  // Typed reads of one value; a value of another type is "Invalid property value".
  std::int32_t ReadInteger();  // 2, 3, 4
  std::int64_t ReadInt64();    // 2, 3, 4, 19
  bool ReadBoolean();          // 8, 9
  std::string ReadString();    // 6, 12; 18 and 20 narrowed to single bytes
  std::string ReadIdent();     // 7
  TColor ReadColor();          // 2, 3, 4 or a colour identifier
  double ReadFloat();          // 5, 15, 16, 17

  // Any value, with its payload.
  TValue ReadValue();
  // Moves past one value of any type.
  void SkipValue();

  // Value type 14 into `target`: cleared first unless the sequence is empty.
  void ReadCollection(TCollectionTarget& target);
  // Property entries up to the list's ending 0 byte, each set on `object`.
  void ReadProperties(TStreamObject& object);

  // Raises "Invalid property value" for the property being read.
  [[noreturn]] void InvalidValue() const;

  struct RootRecord {
    std::string className;
    std::string name;
  };
  // One component record (prefix, class name, name, properties, children) into `root`.
  RootRecord ReadRootComponent(TStreamObject& root);

 private:
  [[noreturn]] void PropertyError(const std::string& message) const;
  void ReadProperty(TStreamObject& object);
  void ReadBinaryInto(const TPropertyList::BinaryReader& read);
  void SkipValueOfType(TValueType type);
  TValue ReadValueOfType(TValueType type);
  void SkipPropertyList();
  void SkipComponent();
  void ReadPrefix();
  std::string ReadStringOfType(TValueType type);
  void Enter();
  void Leave() { --depth_; }

  ByteReader& input_;
  std::string rootName_;
  std::string propertyPath_;  // the property being read, as written in the stream
  int depth_ = 0;             // nesting of lists, collections and components
};

// Reads a whole archive: resource header, "TPF0", then the root record into
// `root`. EInvalidImage "Invalid stream format" for a bad resource header,
// EReadError "Invalid stream format" for a bad signature.
TReader::RootRecord ReadComponentResource(std::span<const std::uint8_t> bytes, TStreamObject& root);

// The whole content of an archive file. EFOpenError "Cannot open file "%s". %s"
// with the platform's reason when it cannot be opened or read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName);

// The colour named by a stream identifier ("clFuchsia"), ignoring case.
bool IdentToColor(std::string_view ident, TColor& color);

}  // namespace brakkon::engine
