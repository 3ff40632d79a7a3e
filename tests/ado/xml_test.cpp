// Recordset.Save in the XML persistence format, read back with an XML parser.
#include <expat.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/recordset.h"
#include "ado/stream.h"
#include "ado_test_db.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;
using testing::TestDb;

struct Element {
  std::string name;
  std::map<std::string, std::string> attributes;
};

// Every element with its attributes, in document order; fails the test on malformed XML.
std::vector<Element> Parse(const std::string& xml) {
  std::vector<Element> elements;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &elements);
  XML_SetStartElementHandler(parser, [](void* data, const XML_Char* name, const XML_Char** atts) {
    Element e{name, {}};
    for (size_t i = 0; atts[i]; i += 2) e.attributes[atts[i]] = atts[i + 1];
    static_cast<std::vector<Element>*>(data)->push_back(std::move(e));
  });
  bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
  EXPECT_TRUE(ok) << XML_ErrorString(XML_GetErrorCode(parser)) << " at line "
                  << XML_GetCurrentLineNumber(parser);
  XML_ParserFree(parser);
  return elements;
}

std::vector<Element> Named(const std::vector<Element>& all, const std::string& name) {
  std::vector<Element> out;
  for (const Element& e : all)
    if (e.name == name) out.push_back(e);
  return out;
}

TEST(XmlPersistence, TwoRowsParseBackWithSchemaAndValues) {
  TestDb db(R"(CREATE TABLE T (id INTEGER PRIMARY KEY, [Last Name] VARCHAR(20) NOT NULL,
                               born DATE, ok BOOLEAN, amount MONEY, memo TEXT);
               INSERT INTO T VALUES (1, 'O''Hara & <Co>', '2003-03-14', TRUE, 12.5, 'a
b'), (2, 'Smith', NULL, FALSE, NULL, NULL);)");
  auto rs = TestDb::Query(db.Open(), "T", kOpenKeyset, kLockOptimistic);
  auto file = db.dir() / "rows.xml";
  rs->Save(Variant(file.string()), kPersistXML);
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  std::vector<Element> all = Parse(text.str());

  ASSERT_EQ(Named(all, "xml").size(), 1u);
  ASSERT_EQ(Named(all, "s:Schema").size(), 1u);
  ASSERT_EQ(Named(all, "s:AttributeType").size(), 6u);
  ASSERT_EQ(Named(all, "s:datatype").size(), 6u);
  ASSERT_EQ(Named(all, "z:row").size(), 2u);
  // An attribute of the index-th element of that name; "(none)" when it is left out.
  auto attribute = [&](const char* element, size_t index, const char* name) {
    const std::map<std::string, std::string> attributes = Named(all, element).at(index).attributes;
    auto found = attributes.find(name);
    return found == attributes.end() ? std::string("(none)") : found->second;
  };
  EXPECT_EQ(attribute("xml", 0, "xmlns:s"), "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
  EXPECT_EQ(attribute("xml", 0, "xmlns:dt"), "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
  EXPECT_EQ(attribute("xml", 0, "xmlns:rs"), "urn:schemas-microsoft-com:rowset");
  EXPECT_EQ(attribute("xml", 0, "xmlns:z"), "#RowsetSchema");
  EXPECT_EQ(attribute("s:AttributeType", 0, "name"), "id");
  EXPECT_EQ(attribute("s:AttributeType", 0, "rs:autoincrement"), "true");
  EXPECT_EQ(attribute("s:AttributeType", 1, "name"), "c1");
  EXPECT_EQ(attribute("s:AttributeType", 1, "rs:name"), "Last Name");
  EXPECT_EQ(attribute("s:AttributeType", 1, "rs:number"), "2");
  EXPECT_EQ(attribute("s:datatype", 0, "dt:type"), "int");
  EXPECT_EQ(attribute("s:datatype", 1, "dt:maxLength"), "20");
  EXPECT_EQ(attribute("s:datatype", 1, "rs:maybenull"), "false");
  EXPECT_EQ(attribute("s:datatype", 2, "dt:type"), "dateTime");
  EXPECT_EQ(attribute("s:datatype", 3, "dt:type"), "boolean");
  EXPECT_EQ(attribute("s:datatype", 4, "rs:dbtype"), "currency");
  EXPECT_EQ(attribute("s:datatype", 5, "rs:long"), "true");
  EXPECT_EQ(attribute("z:row", 0, "c1"), "O'Hara & <Co>");
  EXPECT_EQ(attribute("z:row", 0, "born"), "2003-03-14T00:00:00");
  EXPECT_EQ(attribute("z:row", 0, "ok"), "True");
  EXPECT_EQ(attribute("z:row", 0, "amount"), "12.5");
  EXPECT_EQ(attribute("z:row", 0, "memo"), "a\nb");
  EXPECT_EQ(attribute("z:row", 1, "born"), "(none)");  // Null values are left out
  EXPECT_EQ(attribute("z:row", 1, "ok"), "False");

  EXPECT_EQ(ErrorOf([&] { rs->Save(Variant(file.string()), kPersistXML); }),
            korvex::err::kFileAlreadyExists);
  EXPECT_EQ(ErrorOf([&] { rs->Save(Variant("x.adtg"), kPersistADTG); }), err::kNotCapable);
  auto stream = std::make_shared<Stream>();
  stream->Open();
  rs->Save(Variant(stream), kPersistXML);
  stream->Position(0);
  EXPECT_EQ(stream->ReadText(), text.str());
}

}  // namespace
}  // namespace korvex::ado
