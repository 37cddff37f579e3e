// The component-stream container: every value type through the writer and back,
// property errors, dotted names, defined binary properties, collections, headers.
#include "engine/component_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/archive_writer.h"
#include "engine/errors.h"

namespace brakkon::engine {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Archive(const std::function<void(TComponentWriter&)>& body) {
  TComponentWriter writer("test", "TThing", "Thing");
  body(writer);
  return writer.Finish();
}

// Takes every property generically, recording or skipping its value.
struct GenericObject : TStreamObject {
  bool skip = false;
  std::int32_t last = 0;
  std::vector<std::pair<std::string, TValue>> values;
  void DefineProperties(TPropertyList& properties) override {
    properties.Integer("Last", [this](std::int32_t v) { last = v; });
    properties.Others([this](const std::string& name, TReader& reader) {
      if (skip) {
        reader.SkipValue();
      } else {
        values.emplace_back(name, reader.ReadValue());
      }
    });
  }
};

struct Child : TStreamObject {
  std::int32_t value = 0;
  std::string blobPrefix;  // the two bytes the blob reader takes
  std::size_t blobSize = 0;
  void DefineProperties(TPropertyList& properties) override {
    properties.Integer("Value", [this](std::int32_t v) { value = v; });
    properties.Binary("Blob", [this](std::span<const std::uint8_t> data) {
      blobSize = data.size();
      ByteReader in(data);
      const auto two = in.Bytes(2);
      blobPrefix.assign(two.begin(), two.end());
    });
  }
};

struct Record {
  std::string name;
  std::int32_t value = 0;
};

struct RecordObject : TStreamObject {
  explicit RecordObject(Record& r) : record(r) {}
  Record& record;
  void DefineProperties(TPropertyList& properties) override {
    properties.String("Name", [this](std::string v) { record.name = std::move(v); });
    properties.Integer("Value", [this](std::int32_t v) { record.value = v; });
  }
};

struct Root : TStreamObject, TCollectionTarget {
  std::int32_t number = 0;
  bool flag = false;
  std::string text;
  TColor color = 0;
  Child child;
  std::deque<Record> items;
  int clears = 0;
  void DefineProperties(TPropertyList& properties) override {
    properties.Integer("Number", [this](std::int32_t v) { number = v; });
    properties.Boolean("Flag", [this](bool v) { flag = v; });
    properties.String("Text", [this](std::string v) { text = std::move(v); });
    properties.Color("Color", [this](TColor v) { color = v; });
    properties.Object("Child", &child);
    properties.Object("Nothing", nullptr);
    properties.Collection("Items", *this);
  }
  void ClearItems() override {
    items.clear();
    ++clears;
  }
  std::unique_ptr<TStreamObject> AddItem() override {
    return std::make_unique<RecordObject>(items.emplace_back());
  }
};

std::string ReadError(const Bytes& bytes, TStreamObject& root) {
  try {
    ReadComponentResource(bytes, root);
  } catch (const EReadError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ComponentReader, EveryValueTypeRoundTripsThroughTheWriter) {
  const Bytes blob = {1, 2, 3};
  struct Case {
    std::function<void(TComponentWriter&)> write;
    std::function<void(const TValue&)> check;
  };
  const std::vector<Case> cases = {
      {[](auto& w) { w.Null(); }, [](const TValue& v) { EXPECT_EQ(v.type, TValueType::vaNull); }},
      {[](auto& w) {
         w.BeginList();
         w.Int8(1);
         w.ShortString("x");
         w.BeginList();
         w.EndList();
         w.EndList();
       },
       [](const TValue& v) {
         ASSERT_EQ(v.list.size(), 3u);
         EXPECT_EQ(v.list[0].integer, 1);
         EXPECT_EQ(v.list[1].text, "x");
         EXPECT_TRUE(v.list[2].list.empty());
       }},
      {[](auto& w) { w.Int8(-128); }, [](const TValue& v) { EXPECT_EQ(v.integer, -128); }},
      {[](auto& w) { w.Int16(-32768); }, [](const TValue& v) { EXPECT_EQ(v.integer, -32768); }},
      {[](auto& w) { w.Int32(-2147483647 - 1); },
       [](const TValue& v) { EXPECT_EQ(v.integer, -2147483647 - 1); }},
      {[](auto& w) { w.Extended(-1234.5L); }, [](const TValue& v) { EXPECT_EQ(v.real, -1234.5); }},
      {[](auto& w) { w.ShortString("short"); },
       [](const TValue& v) { EXPECT_EQ(v.text, "short"); }},
      {[](auto& w) { w.Identifier("clRed"); }, [](const TValue& v) { EXPECT_EQ(v.text, "clRed"); }},
      {[](auto& w) { w.Boolean(false); },
       [](const TValue& v) { EXPECT_EQ(v.type, TValueType::vaFalse); }},
      {[](auto& w) { w.Boolean(true); },
       [](const TValue& v) { EXPECT_EQ(v.type, TValueType::vaTrue); }},
      {[&](auto& w) { w.Binary(blob); }, [&](const TValue& v) { EXPECT_EQ(v.bytes, blob); }},
      {[](auto& w) {
         w.Set({"fsBold", "fsItalic"});
       },
       [](const TValue& v) {
         EXPECT_EQ(v.elements, (std::vector<std::string>{"fsBold", "fsItalic"}));
       }},
      {[](auto& w) { w.LongString(std::string(300, 'L')); },
       [](const TValue& v) { EXPECT_EQ(v.text, std::string(300, 'L')); }},
      {[](auto& w) { w.Nil(); }, [](const TValue& v) { EXPECT_EQ(v.type, TValueType::vaNil); }},
      {[](auto& w) {
         w.BeginCollection();
         w.RawBytes(Bytes{2, 7});  // an order value
         w.BeginItem();
         w.PropertyName("A");
         w.Int8(5);
         w.EndItem();
         w.BeginItem();
         w.EndItem();
         w.EndCollection();
       },
       [](const TValue& v) {
         ASSERT_EQ(v.items.size(), 2u);
         EXPECT_TRUE(v.items[0].hasOrder);
         EXPECT_EQ(v.items[0].order, 7);
         ASSERT_EQ(v.items[0].properties.size(), 1u);
         EXPECT_EQ(v.items[0].properties[0].first, "A");
         EXPECT_EQ(v.items[0].properties[0].second.integer, 5);
         EXPECT_FALSE(v.items[1].hasOrder);
       }},
      {[](auto& w) { w.Single(0.25f); }, [](const TValue& v) { EXPECT_EQ(v.real, 0.25); }},
      {[](auto& w) { w.Currency(-123456789); },
       [](const TValue& v) { EXPECT_EQ(v.integer, -123456789); }},
      {[](auto& w) { w.Date(45000.5); }, [](const TValue& v) { EXPECT_EQ(v.real, 45000.5); }},
      {[](auto& w) { w.WideString(u"G\u00f6\u4e2d"); },
       [](const TValue& v) {
         EXPECT_EQ(v.wide, u"G\u00f6\u4e2d");
         EXPECT_EQ(v.text, "G\xf6?");
       }},
      {[](auto& w) { w.Int64(-9000000000000LL); },
       [](const TValue& v) { EXPECT_EQ(v.integer, -9000000000000LL); }},
      {[](auto& w) { w.Utf8String("G\xc3\xb6"); },
       [](const TValue& v) { EXPECT_EQ(v.text, "G\xc3\xb6"); }},
  };
  ASSERT_EQ(cases.size(), 21u);
  const Bytes bytes = Archive([&](TComponentWriter& w) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      w.PropertyName("P" + std::to_string(i));
      cases[i].write(w);
    }
    w.PropertyName("Last");
    w.Int32(42);
  });

  GenericObject read;
  const auto record = ReadComponentResource(bytes, read);
  EXPECT_EQ(record.className, "TThing");
  EXPECT_EQ(record.name, "Thing");
  ASSERT_EQ(read.values.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE("value type " + std::to_string(i));
    EXPECT_EQ(read.values[i].first, "P" + std::to_string(i));
    EXPECT_EQ(static_cast<std::size_t>(read.values[i].second.type), i);
    cases[i].check(read.values[i].second);
  }
  EXPECT_EQ(read.last, 42);

  GenericObject skipped;
  skipped.skip = true;
  ReadComponentResource(bytes, skipped);
  EXPECT_TRUE(skipped.values.empty());
  EXPECT_EQ(skipped.last, 42);
}

TEST(ComponentReader, ExtendedKeepsSpecialValues) {
  const Bytes bytes = Archive([](TComponentWriter& w) {
    for (long double v : {0.0L, 1.0L, 1e300L, -0.0L, static_cast<long double>(INFINITY)}) {
      w.PropertyName("X");
      w.Extended(v);
    }
  });
  GenericObject read;
  ReadComponentResource(bytes, read);
  ASSERT_EQ(read.values.size(), 5u);
  EXPECT_EQ(read.values[0].second.real, 0.0);
  EXPECT_EQ(read.values[1].second.real, 1.0);
  EXPECT_EQ(read.values[2].second.real, 1e300);
  EXPECT_TRUE(std::signbit(read.values[3].second.real));
  EXPECT_TRUE(std::isinf(read.values[4].second.real));
}

TEST(ComponentReader, TypedPropertiesTakeTheirValueKinds) {
  const Bytes bytes = Archive([](TComponentWriter& w) {
    w.PropertyName("number");  // names ignore case
    w.Int16(-300);
    w.PropertyName("Flag");
    w.Boolean(true);
    w.PropertyName("Text");
    w.WideString(u"Gr\u00f6\u00dfe\u4e2d");
    w.PropertyName("Child.Value");
    w.Int32(70000);
  });
  Root root;
  ReadComponentResource(bytes, root);
  EXPECT_EQ(root.number, -300);
  EXPECT_TRUE(root.flag);
  EXPECT_EQ(root.text,
            "Gr\xf6\xdf"
            "e?");
  EXPECT_EQ(root.child.value, 70000);

  const std::vector<std::pair<std::function<void(TComponentWriter&)>, std::string>> strings = {
      {[](auto& w) { w.LongString("long"); }, "long"},
      {[](auto& w) {
         w.Utf8String(
             "Gr\xc3\xb6\xc3\x9f"
             "e\xe4\xb8\xad\xff");
       },
       "Gr\xf6\xdf"
       "e??"},
      {[](auto& w) { w.ShortString("Gr\xf6"); }, "Gr\xf6"},
  };
  for (const auto& [write, expected] : strings) {
    Root other;
    ReadComponentResource(Archive([&](TComponentWriter& w) {
                            w.PropertyName("Text");
                            write(w);
                          }),
                          other);
    EXPECT_EQ(other.text, expected);
  }
}

TEST(ComponentReader, ColorsAcceptIntegersAndIdentifiersIgnoringCase) {
  const std::vector<std::pair<std::function<void(TComponentWriter&)>, TColor>> cases = {
      {[](auto& w) { w.Identifier("clFuchsia"); }, 0xFF00FF},
      {[](auto& w) { w.Identifier("CLFUCHSIA"); }, 0xFF00FF},
      {[](auto& w) { w.Identifier("clnavy"); }, 0x800000},
      {[](auto& w) { w.Identifier("clBtnFace"); }, 0xFF00000F},
      {[](auto& w) { w.Identifier("clMenuBar"); }, 0xFF00001E},
      {[](auto& w) { w.Identifier("clNone"); }, 0x1FFFFFFF},
      {[](auto& w) { w.Integer(0x00FF00); }, 0x00FF00},
      {[](auto& w) { w.Int32(static_cast<std::int32_t>(0xFF000005)); }, 0xFF000005},
  };
  for (const auto& [write, expected] : cases) {
    Root root;
    ReadComponentResource(Archive([&](TComponentWriter& w) {
                            w.PropertyName("Color");
                            write(w);
                          }),
                          root);
    EXPECT_EQ(root.color, expected);
  }
}

TEST(ComponentReader, PropertyErrorsNameTheProperty) {
  struct Case {
    const char* property;
    std::function<void(TComponentWriter&)> write;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"Bogus", [](auto& w) { w.Int8(1); },
       "Error reading Thing.Bogus: Property Bogus does not exist"},
      {"Number", [](auto& w) { w.ShortString("1"); },
       "Error reading Thing.Number: Invalid property value"},
      {"Number", [](auto& w) { w.Int64(1); }, "Error reading Thing.Number: Invalid property value"},
      {"Flag", [](auto& w) { w.Int8(1); }, "Error reading Thing.Flag: Invalid property value"},
      {"Text", [](auto& w) { w.Identifier("x"); },
       "Error reading Thing.Text: Invalid property value"},
      {"Color", [](auto& w) { w.Identifier("clNoSuchColour"); },
       "Error reading Thing.Color: Invalid property value"},
      {"Items", [](auto& w) { w.Int8(1); }, "Error reading Thing.Items: Invalid property value"},
      {"Child", [](auto& w) { w.Int8(1); }, "Error reading Thing.Child: Invalid property value"},
      {"Number.Value", [](auto& w) { w.Int8(1); },
       "Error reading Thing.Number.Value: Invalid property path"},
      {"Nothing.Value", [](auto& w) { w.Int8(1); },
       "Error reading Thing.Nothing.Value: Invalid property path"},
      {"Bogus.Value", [](auto& w) { w.Int8(1); },
       "Error reading Thing.Bogus.Value: Property Bogus does not exist"},
      {"Child.Bogus", [](auto& w) { w.Int8(1); },
       "Error reading Thing.Child.Bogus: Property Bogus does not exist"},
      {"Child.Blob", [](auto& w) { w.ShortString("not binary"); },
       "Error reading Thing.Child.Blob: Invalid property value"},
      // A defined property is no step of a dotted name.
      {"Child.Blob.X", [](auto& w) { w.Int8(1); },
       "Error reading Thing.Child.Blob.X: Property Blob does not exist"},
      {"Items",
       [](auto& w) {
         w.BeginCollection();
         w.BeginItem();
         w.PropertyName("Value");
         w.ShortString("x");
         w.EndItem();
         w.EndCollection();
       },
       "Error reading Thing.Value: Invalid property value"},
      {"Items",
       [](auto& w) {
         w.BeginCollection();
         w.Int8(3);  // an order value must be followed by the list-begin byte
         w.Int8(3);
         w.EndCollection();
       },
       "Error reading Thing.Items: Invalid property value"},
  };
  for (const Case& c : cases) {
    Root root;
    const Bytes bytes = Archive([&](TComponentWriter& w) {
      w.PropertyName(c.property);
      c.write(w);
    });
    EXPECT_EQ(ReadError(bytes, root), c.message) << c.property;
  }
}

TEST(ComponentReader, DefinedBinaryIsASubStreamOfExactlyItsLength) {
  const Bytes payload = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j'};
  Root root;
  ReadComponentResource(Archive([&](TComponentWriter& w) {
                          w.PropertyName("Child.Blob");
                          w.Binary(payload);
                          w.PropertyName("Number");
                          w.Int8(7);
                        }),
                        root);
  EXPECT_EQ(root.child.blobSize, payload.size());
  EXPECT_EQ(root.child.blobPrefix, "ab");
  EXPECT_EQ(root.number, 7);

  // A sub-stream reader that wants more than the payload holds fails, without
  // reading the bytes that follow the payload.
  Root shortBlob;
  EXPECT_EQ(ReadError(Archive([](TComponentWriter& w) {
                        w.PropertyName("Child.Blob");
                        w.Binary(Bytes{'a'});
                        w.PropertyName("Number");
                        w.Int8(7);
                      }),
                      shortBlob),
            "Stream read error");
}

TEST(ComponentReader, CollectionsClearUnlessEmptyAndAddItemsInOrder) {
  Root root;
  root.items.push_back({"kept", 1});
  ReadComponentResource(Archive([](TComponentWriter& w) {
                          w.PropertyName("Items");
                          w.BeginCollection();
                          w.EndCollection();
                        }),
                        root);
  ASSERT_EQ(root.items.size(), 1u);
  EXPECT_EQ(root.items[0].name, "kept");
  EXPECT_EQ(root.clears, 0);

  ReadComponentResource(Archive([](TComponentWriter& w) {
                          w.PropertyName("Items");
                          w.BeginCollection();
                          w.BeginItem();
                          w.PropertyName("Name");
                          w.String("first");
                          w.EndItem();
                          w.RawBytes(Bytes{3, 0x10, 0x00});  // a 16-bit order value
                          w.BeginItem();
                          w.PropertyName("Value");
                          w.Int8(9);
                          w.PropertyName("Name");
                          w.String("second");
                          w.EndItem();
                          w.EndCollection();
                        }),
                        root);
  EXPECT_EQ(root.clears, 1);
  ASSERT_EQ(root.items.size(), 2u);
  EXPECT_EQ(root.items[0].name, "first");
  EXPECT_EQ(root.items[1].name, "second");
  EXPECT_EQ(root.items[1].value, 9);
}

// Hand-made container: header, signature and a root record with a prefix and a child.
Bytes WithRecordPrefixAndChild() {
  Bytes b = {0xFF, 10, 0, 'X', 0, 0x30, 0x10, 0, 0, 0, 0};
  for (char c : std::string("TPF0")) b.push_back(static_cast<std::uint8_t>(c));
  b.insert(b.end(), {0xF2, 2, 5});  // prefix with an integer after it
  for (const std::string& s : {std::string("TThing"), std::string("Named")}) {
    b.push_back(static_cast<std::uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
  }
  b.insert(b.end(), {6, 'N', 'u', 'm', 'b', 'e', 'r', 2, 9, 0});
  // One child record, passed over: class, name, a property, no children.
  b.insert(b.end(), {1, 'C', 1, 'c', 1, 'P', 6, 1, 'x', 0, 0});
  b.push_back(0);
  return b;
}

TEST(ComponentReader, RecordPrefixAndChildrenArePassedOver) {
  Root root;
  const auto record = ReadComponentResource(WithRecordPrefixAndChild(), root);
  EXPECT_EQ(record.name, "Named");
  EXPECT_EQ(root.number, 9);
}

TEST(ComponentReader, ContainerFailures) {
  const Bytes good = Archive([](TComponentWriter& w) {
    w.PropertyName("Number");
    w.Int8(1);
  });
  const auto corrupt = [&](std::size_t offset, std::uint8_t value) {
    Bytes b = good;
    b[offset] = value;
    return b;
  };
  const std::size_t signature = 3 + 5 + 6;  // after "TEST\0", flags and length
  struct Case {
    Bytes bytes;
    bool invalidImage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{}, true, "Invalid stream format"},
      {{0xFF, 10}, true, "Invalid stream format"},
      {corrupt(0, 0xFE), true, "Invalid stream format"},
      {corrupt(1, 11), true, "Invalid stream format"},
      {corrupt(2, 1), true, "Invalid stream format"},
      {corrupt(signature + 3, '1'), false, "Invalid stream format"},
      {Bytes(good.begin(), good.begin() + signature + 2), false, "Stream read error"},
      {Bytes(good.begin(), good.end() - 1), false, "Stream read error"},
      {Bytes(good.begin(), good.begin() + 6), false, "Stream read error"},
      // A name running over the 79 header bytes.
      {[] {
         Bytes b = {0xFF, 10, 0};
         b.resize(200, 'A');
         return b;
       }(),
       true, "Invalid stream format"},
      {corrupt(signature + 4 + 1 + 6 + 1 + 5 + 1 + 6, 99), false,
       "Error reading Thing.Number: Invalid property value"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Root root;
    try {
      ReadComponentResource(c.bytes, root);
      ADD_FAILURE() << "case " << i << " raised nothing";
    } catch (const EInvalidImage& e) {
      EXPECT_TRUE(c.invalidImage) << i;
      EXPECT_STREQ(e.what(), c.message) << i;
    } catch (const EReadError& e) {
      EXPECT_FALSE(c.invalidImage) << i;
      EXPECT_STREQ(e.what(), c.message) << i;
    }
  }
}

TEST(ComponentReader, DeepNestingIsRefusedNotRecursedInto) {
  const Bytes bytes = Archive([](TComponentWriter& w) {
    w.PropertyName("Deep");
    for (int i = 0; i < 100000; ++i) w.BeginList();
    for (int i = 0; i < 100000; ++i) w.EndList();
  });
  for (bool skip : {false, true}) {
    GenericObject read;
    read.skip = skip;
    EXPECT_EQ(ReadError(bytes, read), "Error reading Thing.Deep: Invalid property value");
  }
}

}  // namespace
}  // namespace brakkon::engine
