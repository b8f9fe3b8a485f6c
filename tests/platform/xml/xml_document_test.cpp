#include <gtest/gtest.h>

#include "platform/xml/xml_document.h"

using kvt::xml::Document;

TEST(XmlDocument, WalksElementsWithUpperCaseNamesAndTrimmedValues) {
  Document doc;
  ASSERT_TRUE(doc.parse("<?xml version=\"1.0\" ?> <telecomando> <codmsg> -27 </codmsg>"
                        "<usuario>Jo\xE3o</usuario><vazio> </vazio><x><![CDATA[ a<b ]]></x>"
                        "<ent>&lt;&#233;&#xE7;&amp;&foo;</ent></telecomando>\r\n"))
      << doc.errors().front();
  auto root = doc.root();
  EXPECT_TRUE(root.is("TELECOMANDO"));
  EXPECT_EQ(root.upperName(), "TELECOMANDO");
  auto first = root.firstChildElement();
  EXPECT_EQ(first.name(), "codmsg");
  EXPECT_EQ(first.value(), "-27");
  EXPECT_EQ(first.rawValue(), " -27 ");
  EXPECT_EQ(root.child("USUARIO").value(), "Jo\xE3o");  // bytes above 0x7F pass unchanged
  EXPECT_FALSE(root.child("VAZIO").hasTextChild());
  EXPECT_EQ(root.child("VAZIO").value(), "");
  EXPECT_EQ(root.child("X").value(), "a<b");
  EXPECT_EQ(root.child("ENT").value(), "<\xE9\xE7&&foo;");
  EXPECT_FALSE(root.child("NADA"));
  EXPECT_FALSE(root.child("NADA").firstChildElement().nextSiblingElement());
  int count = 0;
  for (auto e = root.firstChildElement(); e; e = e.nextSiblingElement()) ++count;
  EXPECT_EQ(count, 5);
}

TEST(XmlDocument, RejectsWhatAConformingParserRejects) {
  const char* bad[] = {
      "",
      "   ",
      "<a>",
      "<a></b>",
      "<a></a><b></b>",
      "<a></a> trailing",
      "text <a></a>",
      "<a x=1></a>",
      "<a><b></a></b>",
  };
  for (const char* text : bad) {
    Document doc;
    EXPECT_FALSE(doc.parse(text)) << text;
    EXPECT_FALSE(doc.errors().empty()) << text;
    EXPECT_FALSE(doc.root()) << text;
  }
  Document reused;
  EXPECT_FALSE(reused.parse("<a>"));
  EXPECT_TRUE(reused.parse("<a/>"));
  EXPECT_TRUE(reused.errors().empty());
}
