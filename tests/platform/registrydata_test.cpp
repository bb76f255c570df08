#include "registrydata.h"

#include <gtest/gtest.h>

namespace {

RegistryData parseOk(const QByteArray &text)
{
    QString error;
    auto data = RegistryData::parse(text, &error);
    EXPECT_TRUE(data.has_value()) << error.toStdString();
    return data.value_or(RegistryData{});
}

const QString key = QStringLiteral("Software\\Tarnwell\\Orvex");

} // namespace

TEST(RegistryData, ValuesSurviveSerializeAndParse)
{
    const QStringList texts = {
        QString(),
        QStringLiteral("Select an MCU"),
        QStringLiteral("quote \" backslash \\ end\\"),
        QStringLiteral("tab\tcr\rlf\nnul") + QChar(0) + QStringLiteral("x"),
        QStringLiteral("\\x0041 not an escape"),
        QString::fromUtf8("\xc3\xa9\xce\xa9\xe2\x82\xac") + QChar(0xD83D) + QChar(0xDE00),
        QStringLiteral("A#23B $03A9 [brackets] ; # @="),
    };
    RegistryData data;
    for (int i = 0; i < texts.size(); ++i)
        data.setValue(key, QStringLiteral("s%1").arg(i), RegistryValue::fromString(texts[i]));
    data.setValue(key, QStringLiteral("dw"), RegistryValue::fromDword(0xFFFFFFFFu));
    data.setValue(key, QString(), RegistryValue::fromString(QStringLiteral("default")));
    RegistryValue bin;
    bin.type = 7;
    bin.bytes = QByteArray("\x00\x01\xff", 3);
    data.setValue(key, QStringLiteral("multi"), bin);
    data.setValue(QStringLiteral("Odd \"key\"\\x\\]"), QStringLiteral("n\"ame\\"),
                  RegistryValue::fromString(QStringLiteral("v")));
    data.createKey(QStringLiteral("Software\\Tarnwell\\Orvex\\Window"));

    const QByteArray bytes = data.serialize();
    for (const char c : bytes)
        ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "the file stays 7-bit text";
    const RegistryData back = parseOk(bytes);

    ASSERT_EQ(back.keys().size(), 3);
    const RegistryData::Key *k = back.key(key);
    ASSERT_NE(k, nullptr);
    for (int i = 0; i < texts.size(); ++i) {
        const RegistryValue *v = RegistryData::value(*k, QStringLiteral("s%1").arg(i));
        ASSERT_NE(v, nullptr) << i;
        EXPECT_EQ(v->type, RegistryValue::String);
        EXPECT_EQ(v->text, texts[i]) << i;
    }
    EXPECT_EQ(*RegistryData::value(*k, QStringLiteral("dw")),
              RegistryValue::fromDword(0xFFFFFFFFu));
    EXPECT_EQ(RegistryData::value(*k, QString())->text, QStringLiteral("default"));
    EXPECT_EQ(*RegistryData::value(*k, QStringLiteral("multi")), bin);
    const RegistryData::Key *odd = back.key(QStringLiteral("Odd \"key\"\\x\\]"));
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(RegistryData::value(*odd, QStringLiteral("n\"ame\\"))->text, QStringLiteral("v"));
    const RegistryData::Key *window = back.key(QStringLiteral("Software\\Tarnwell\\Orvex\\Window"));
    ASSERT_NE(window, nullptr) << "a created key exists without values";
    EXPECT_TRUE(window->values.isEmpty());
    EXPECT_EQ(back.serialize(), bytes);
}

TEST(RegistryData, NamesCompareWithoutCaseAndKeepTheirFirstSpelling)
{
    RegistryData data;
    data.setValue(key, QStringLiteral("Splitter1.left"), RegistryValue::fromString("1"));
    EXPECT_TRUE(data.setValue(QStringLiteral("\\SOFTWARE\\tarnwell\\orvex\\"),
                              QStringLiteral("SPLITTER1.LEFT"), RegistryValue::fromString("2")));
    EXPECT_FALSE(
        data.setValue(key, QStringLiteral("splitter1.left"), RegistryValue::fromString("2")))
        << "an unchanged value is no change";
    ASSERT_EQ(data.keys().size(), 1);
    ASSERT_EQ(data.keys()[0].values.size(), 1);
    EXPECT_EQ(data.keys()[0].path, key);
    EXPECT_EQ(data.keys()[0].values[0].name, QStringLiteral("Splitter1.left"));
    EXPECT_EQ(data.keys()[0].values[0].value.text, QStringLiteral("2"));
}

TEST(RegistryData, ReadsHivesWrittenByOthers)
{
    const RegistryData data = parseOk("WINE REGISTRY Version 2\r\n"
                                      ";; All keys relative to \\\\User\\\\S-1-5-21\r\n"
                                      "\r\n"
                                      "#arch=win64\r\n"
                                      "[Software\\\\Tarnwell\\\\Orvex] 1733900000\r\n"
                                      "#time=1db4b3c2a4e5f60\r\n"
                                      "\"Panel1.Width\"=dword:122\r\n"
                                      "\"Name\"=str:\"x\\x41y\"\r\n"
                                      "\"Path\"=str(2):\"%HOME%\"\r\n"
                                      "\"Blob\"=hex:01,02,\\\r\n"
                                      "  03,ff\r\n"
                                      "\"Four\"=hex(4):2a,00,00,00\r\n"
                                      "\"Empty\"=hex:\r\n");
    const RegistryData::Key *k = data.key(key);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->modified, 1733900000);
    EXPECT_EQ(*RegistryData::value(*k, QStringLiteral("Panel1.Width")),
              RegistryValue::fromDword(0x122));
    EXPECT_EQ(RegistryData::value(*k, QStringLiteral("Name"))->text, QStringLiteral("xAy"));
    EXPECT_EQ(RegistryData::value(*k, QStringLiteral("Path"))->type, RegistryValue::ExpandString);
    EXPECT_EQ(RegistryData::value(*k, QStringLiteral("Blob"))->bytes,
              QByteArray("\x01\x02\x03\xff"));
    EXPECT_EQ(*RegistryData::value(*k, QStringLiteral("Four")), RegistryValue::fromDword(42));
    EXPECT_TRUE(RegistryData::value(*k, QStringLiteral("Empty"))->bytes.isEmpty());

    EXPECT_TRUE(parseOk("").keys().isEmpty());
    EXPECT_TRUE(parseOk(" \n\n").keys().isEmpty());
}

TEST(RegistryData, RejectsMalformedFiles)
{
    const char *const cases[] = {
        "REGEDIT4\n[Software]\n",
        "garbage \x01\x02",
        "WINE REGISTRY Version 2\n\"a\"=\"value before any key\"\n",
        "WINE REGISTRY Version 2\n[Software\n",
        "WINE REGISTRY Version 2\n[]\n",
        "WINE REGISTRY Version 2\n[Software] yesterday\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=\"unterminated\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=\"x\" trailing\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=\"bad \\x escape\"\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=\"ends in backslash\\\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=dword:123456789\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=dword:\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=dword:12zz\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=hex:1,2,300\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=hex:01,\\\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=hex(4):01,02\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=hex(zz):01\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=qword:1\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"\n",
        "WINE REGISTRY Version 2\n[Software]\nname=\"unquoted\"\n",
        "WINE REGISTRY Version 2\n[Software]\n\"a\"=\"\xff\xfe not UTF-8\"\n",
    };
    for (const char *text : cases) {
        QString error;
        EXPECT_FALSE(RegistryData::parse(QByteArrayView(text), &error).has_value()) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
}
