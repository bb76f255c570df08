#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Lexer definitions as plain data. SyntAnalyzer turns one of these into immutable rule objects;
// nothing here has behaviour beyond defaults.

enum TBlockType { btTagDetect, btLineBreak, btRangeStart, btRangeEnd };
enum TTagConditionType { tcEqual, tcNotEqual, tcMask, tcSkip, tcStrictMask };
enum TDynamicHighlight { dhNone, dhBound, dhRangeNoBound, dhRange };
enum THighlightPos { cpAny, cpBound, cpBoundTag, cpRange, cpBoundTagBegin, cpOutOfRange };
enum TLineBreakPos { lbTop, lbBottom };
enum TFormatType { ftCustomFont, ftFontAttr, ftColor, ftBackGround };
enum TChangeCase { ccNone, ccUpper, ccLower, ccToggle, ccTitle };
enum TBorderLineType { blNone, blSolid, blDash, blDot, blDashDot, blDashDotDot, blSolid2, blSolid3, blWavyLine, blDouble };
enum TVertAlignment { vaTop, vaCenter, vaBottom };

enum FontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

enum FormatFlag : std::uint16_t {
    ffBold = 1 << 0,
    ffItalic = 1 << 1,
    ffUnderline = 1 << 2,
    ffStrikeOut = 1 << 3,
    ffReadOnly = 1 << 4,
    ffHidden = 1 << 5,
    ffFontName = 1 << 6,
    ffFontSize = 1 << 7,
    ffFontCharset = 1 << 8,
    ffVertAlign = 1 << 9,
    ffAll = (1 << 10) - 1,
};

// A colour as the definitions store it: none (the colour underneath shows), a fixed RGB value, or
// a desktop colour the painter looks up in its palette.
struct SyntaxColor {
    enum Kind : std::uint8_t { None, Rgb, System };
    enum SystemRole : std::uint8_t { WindowText, Highlight, HighlightText, HotLight, BtnFace };
    Kind kind = None;
    SystemRole role = WindowText;
    std::uint32_t rgb = 0; // 0xRRGGBB

    static constexpr SyntaxColor none() { return {}; }
    static constexpr SyntaxColor fromRgb(std::uint32_t v) { return {Rgb, WindowText, v}; }
    static constexpr SyntaxColor system(SystemRole r) { return {System, r, 0}; }
    bool operator==(const SyntaxColor &) const = default;
};

namespace SyntaxColors {
constexpr SyntaxColor clNone = SyntaxColor::none();
constexpr SyntaxColor clMaroon = SyntaxColor::fromRgb(0x800000);
constexpr SyntaxColor clNavy = SyntaxColor::fromRgb(0x000080);
constexpr SyntaxColor clRed = SyntaxColor::fromRgb(0xFF0000);
constexpr SyntaxColor clTeal = SyntaxColor::fromRgb(0x008080);
constexpr SyntaxColor clGreen = SyntaxColor::fromRgb(0x008000);
constexpr SyntaxColor clYellow = SyntaxColor::fromRgb(0xFFFF00);
constexpr SyntaxColor clBlack = SyntaxColor::fromRgb(0x000000);
constexpr SyntaxColor clFuchsia = SyntaxColor::fromRgb(0xFF00FF);
constexpr SyntaxColor clBlue = SyntaxColor::fromRgb(0x0000FF);
constexpr SyntaxColor clCream = SyntaxColor::fromRgb(0xFFFBF0);
constexpr SyntaxColor clWindowText = SyntaxColor::system(SyntaxColor::WindowText);
constexpr SyntaxColor clHighlight = SyntaxColor::system(SyntaxColor::Highlight);
constexpr SyntaxColor clHighlightText = SyntaxColor::system(SyntaxColor::HighlightText);
constexpr SyntaxColor clHotLight = SyntaxColor::system(SyntaxColor::HotLight);
constexpr SyntaxColor clBtnFace = SyntaxColor::system(SyntaxColor::BtnFace);
} // namespace SyntaxColors

// TSyntaxFormat
struct SyntaxFormatDef {
    QString DisplayName;
    SyntaxColor FontColor = SyntaxColors::clWindowText;
    std::uint8_t FontStyle = 0;
    SyntaxColor BgColor = SyntaxColors::clNone;
    TFormatType FormatType = ftFontAttr;
    std::uint16_t FormatFlags = ffAll;
    bool Hidden = false;
    bool ReadOnly = false;
    TChangeCase ChangeCase = ccNone;
    TBorderLineType BorderTypeLeft = blNone, BorderTypeTop = blNone, BorderTypeRight = blNone,
                    BorderTypeBottom = blNone;
    SyntaxColor BorderColorLeft = SyntaxColors::clBlack, BorderColorTop = SyntaxColors::clBlack,
                BorderColorRight = SyntaxColors::clBlack, BorderColorBottom = SyntaxColors::clBlack;
    bool MultiLineBorder = false;
    TVertAlignment VertAlignment = vaCenter;
    QString FontName = QStringLiteral("Courier New");
    int FontHeight = -13; // negative: character height in pixels
};

// TTokenRule
struct TokenRuleDef {
    QString DisplayName;
    bool Enabled = true;
    QString StyleName;
    QString BlockName;
    bool StrictParent = false;
    bool NotParent = false;
    bool AlwaysEnabled = false;
    int TokenType = 0;
    QString Expression;
    int ColumnFrom = 0;
    int ColumnTo = 0;
};

// TSingleTagCondition
struct TagConditionDef {
    TTagConditionType CondType = tcEqual;
    QStringList TagList;
    std::uint32_t TokenTypes = 0;
    bool IgnoreCase = false;
};

// TTagBlockCondition
struct BlockRuleDef {
    QString DisplayName;
    bool Enabled = true;
    TBlockType BlockType = btRangeStart;
    QString StyleName;
    QString BlockName;
    bool StrictParent = false;
    bool NotParent = false;
    bool AlwaysEnabled = false;
    std::vector<TagConditionDef> ConditionList;
    QString BlockEnd;
    bool Highlight = false;
    TDynamicHighlight DynHighlight = dhNone;
    THighlightPos HighlightPos = cpAny;
    bool RefToCondEnd = false;
    int IdentIndex = 0;
    int BlockOffset = 0;
    bool SameIdent = false;
    bool SelfClose = false;
    bool NoEndRule = false;
    bool CancelNextRules = false;
    bool NotCollapsed = false;
    bool DrawStaple = false;
    TLineBreakPos LinePos = lbTop;
    SyntaxColor PenColor = SyntaxColors::clBlack;
    bool UseCustomPen = false;
    bool IgnoreAsParent = false;
    int TokenType = -1;
    QString GrammaRuleName;
};

// TSubAnalyzerRule
struct SubAnalyzerRuleDef {
    QString DisplayName;
    bool Enabled = true;
    QString StartExpression;
    QString EndExpression;
    QString SyntAnalyzer; // LexerName of the lexer used inside
    bool IncludeBounds = false;
    bool FromTextBegin = false;
    bool ToTextEnd = false;
    QString StyleName;
    bool AlwaysEnabled = false;
};

// TSyntAnalyzer
struct LexerDefinition {
    QString LexerName;
    QString Extentions;
    QString LineComment;
    QString DefaultStyleName;
    QString MarkedBlockStyle;
    bool SkipSpaces = true;
    bool ParseEndOfLine = false;
    bool Internal = false;
    QStringList TokenTypeNames;
    std::vector<SyntaxFormatDef> Formats;
    std::vector<TokenRuleDef> TokenRules;
    std::vector<BlockRuleDef> BlockRules;
    std::vector<SubAnalyzerRuleDef> SubAnalyzers;
    QString Gramma;
};

// The shipped definitions.
LexerDefinition TesselLexerDefinition();
LexerDefinition StartUpLexerDefinition();
LexerDefinition MpasmLexerDefinition();
