// The BASIC lexer "Tessel" and its start-up copy.

#include "lexerdefinition.h"

// The tables name only the fields that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace SyntaxColors;

namespace {

// Numbered families are written "BANK0..15"; each stands for every number in the range.
QStringList expandRanges(std::initializer_list<const char *> words)
{
    QStringList out;
    for (const char *w : words) {
        const QString word = QString::fromLatin1(w);
        const qsizetype dots = word.indexOf(QLatin1String(".."));
        if (dots < 0) {
            out << word;
            continue;
        }
        qsizetype digits = dots;
        while (digits > 0 && word.at(digits - 1).isDigit())
            --digits;
        const QString stem = word.left(digits);
        const int from = word.mid(digits, dots - digits).toInt();
        const int to = word.mid(dots + 2).toInt();
        for (int n = from; n <= to; ++n)
            out << stem + QString::number(n);
    }
    return out;
}

QStringList keyWords()
{
    return expandRanges({
        "ABS", "ADCIN", "AND", "ANDNOT", "ARRAYREAD", "ARRAYWRITE", "ASM", "ATN", "BANK0..15", "BANKA",
        "BIN", "BIN1..32", "BIT", "BIT0..31", "BRANCH", "BRANCHL", "BUTTON", "BYTE", "BYTE0..3", "CALL",
        "CASE", "CLEAR", "CLEARWDT", "CON", "COS", "COUNT", "DATA", "DCD", "DEBUG", "DEBUGIN", "DEC",
        "DEC1..10", "DEFINE", "DIG", "DISABLE", "DIV32", "DO", "DTMFOUT", "EEPROM", "ELSE", "ELSEIF",
        "ENABLE", "END", "ENDASM", "ENDIF", "ERASECODE", "EXIT", "EXT", "FLAGS", "FOR", "FREQOUT", "GOP",
        "GOSUB", "GOTO", "HEX", "HEX1..8", "HIGH", "HIGHBYTE", "HIGHWORD", "HPWM", "HSERIN", "HSERIN2",
        "HSEROUT", "HSEROUT2", "HYP", "I2CREAD", "I2CWRITE", "IBIN", "IBIN1..32", "IDEC", "IDEC1..10",
        "IF", "IHEX", "IHEX1..8", "INCLUDE", "INPUT", "INTERRUPT", "IS", "ISBIN", "ISBIN1..32", "ISDEC",
        "ISDEC1..10", "ISHEX", "ISHEX1..8", "LCDIN", "LCDOUT", "LET", "LIBRARY", "LONG", "LOOKDOWN",
        "LOOKDOWN2", "LOOKUP", "LOOKUP2", "LOOP", "LOW", "LOWBYTE", "LOWWORD", "MAX", "MIN", "NAP", "NCD",
        "NEXT", "NOT", "OR", "ORNOT", "OUTPUT", "OWIN", "OWOUT", "PAUSE", "PAUSEUS", "PEEK", "PEEKCODE",
        "PIN", "POKE", "POKECODE", "POT", "PULSIN", "PULSOUT", "PWM", "R0..8", "RANDOM", "RCTIME", "READ",
        "READCODE", "REM", "REP", "REPEAT", "RESUME", "RETURN", "REV", "REVERSE", "RM1", "RM2", "RR1",
        "RR2", "RS1", "RS2", "SBIN", "SBIN1..32", "SDEC", "SDEC1..10", "SELECT", "SERIN", "SERIN2",
        "SEROUT", "SEROUT2", "SHEX", "SHEX1..8", "SHIFTIN", "SHIFTOUT", "SIN", "SKIP", "SLEEP",
        "SOFT_STACK", "SOUND", "SQR", "STEP", "STOP", "STR", "SWAP", "SYMBOL", "SYSTEM", "THEN", "TO",
        "TOGGLE", "UNTIL", "USBIN", "USBINIT", "USBOUT", "USBSERVICE", "USER", "VAR", "WAIT", "WAITSTR",
        "WEND", "WHILE", "WORD", "WORD0", "WORD1", "WRITE", "WRITECODE", "XIN", "XOR", "XORNOT",
    });
}

// Type masks: bit n admits token type n.
constexpr std::uint32_t Comment = 2, Identifier = 4, Preprocessor = 512, Conditional = 1024;

QString lines(std::initializer_list<const char *> parts)
{
    QStringList l;
    for (const char *p : parts)
        l << QString::fromUtf8(p);
    return l.join(QLatin1String("\r\n"));
}

TagConditionDef equalIc(QStringList tags, std::uint32_t types = 0)
{
    return {.CondType = tcEqual, .TagList = std::move(tags), .TokenTypes = types, .IgnoreCase = true};
}

TagConditionDef notEqualIc(QStringList tags, std::uint32_t types = 0)
{
    return {.CondType = tcNotEqual, .TagList = std::move(tags), .TokenTypes = types, .IgnoreCase = true};
}

TagConditionDef maskIc(QStringList tags, std::uint32_t types = 0)
{
    return {.CondType = tcMask, .TagList = std::move(tags), .TokenTypes = types, .IgnoreCase = true};
}

TagConditionDef anyOfType(std::uint32_t types)
{
    return {.CondType = tcEqual, .TagList = {}, .TokenTypes = types, .IgnoreCase = false};
}

} // namespace

LexerDefinition TesselLexerDefinition()
{
    LexerDefinition d;
    d.LexerName = QStringLiteral("Tessel");
    d.Extentions = QStringLiteral("bas tessel tesselinc info tesselmod");
    d.LineComment = QStringLiteral("'");
    d.DefaultStyleName = QStringLiteral("Default");
    d.MarkedBlockStyle = QStringLiteral("Marked block");
    d.SkipSpaces = true;
    d.ParseEndOfLine = false;
    d.TokenTypeNames = {"Unknown", "Comment", "Identifier", "Symbol", "String", "Integer const",
                        "Float const", "Hex const", "Char const", "Preprocessor", "Conditional", "Variable"};

    d.Formats = {
        {.DisplayName = "Default", .FontColor = clWindowText, .FormatType = ftCustomFont},
        {.DisplayName = "Symbol", .FontColor = clMaroon, .FontStyle = fsBold},
        {.DisplayName = "Number", .FontColor = clNavy, .FontStyle = fsBold},
        {.DisplayName = "String", .FontColor = clRed},
        {.DisplayName = "Identifier", .FontColor = clNone},
        {.DisplayName = "Reserved word", .FontColor = clTeal, .FontStyle = fsBold},
        {.DisplayName = "Comment", .FontColor = clHotLight, .FontStyle = fsItalic, .FormatFlags = ffAll & ~ffBold},
        {.DisplayName = "Preprocessor", .FontColor = clGreen, .FontStyle = fsBold | fsItalic},
        {.DisplayName = "Line separator", .FontColor = clWindowText, .BgColor = clNavy},
        {.DisplayName = "Title Block", .FontColor = clYellow, .BgColor = SyntaxColor::fromRgb(0xFFE8FF),
         .FormatType = ftBackGround},
        {.DisplayName = "Title Block Comments", .FontColor = clBlack, .FontStyle = fsBold},
        {.DisplayName = "Marked block", .FontColor = clHighlightText, .BgColor = clHighlight, .FormatType = ftColor},
        {.DisplayName = "OP Keywords", .FontColor = clNavy, .FontStyle = fsBold,
         .FormatFlags = ffBold | ffItalic | ffUnderline | ffStrikeOut | ffReadOnly | ffHidden},
        {.DisplayName = "Config background", .FontColor = clWindowText, .BgColor = SyntaxColor::fromRgb(0xFFFFE8),
         .FormatType = ftBackGround, .BorderTypeLeft = blSolid, .BorderTypeTop = blSolid,
         .BorderTypeRight = blSolid, .BorderTypeBottom = blSolid, .MultiLineBorder = true},
        {.DisplayName = "FOR loop", .FontColor = clBlack, .FontStyle = fsBold, .BgColor = clCream,
         .ChangeCase = ccUpper, .BorderTypeBottom = blSolid},
        {.DisplayName = "FOR loop Background", .FontColor = clRed, .BgColor = SyntaxColor::fromRgb(0xCAFFE3),
         .FormatType = ftBackGround},
        {.DisplayName = "DO loop", .FontColor = clWindowText, .BgColor = clBtnFace},
        {.DisplayName = "DO loop Background", .FontColor = clWindowText, .FormatType = ftBackGround},
        {.DisplayName = "WHILE loop", .FontColor = clBlack, .FontStyle = fsBold,
         .BgColor = SyntaxColor::fromRgb(0xFFE6FF), .BorderTypeBottom = blSolid},
        {.DisplayName = "WHILE loop Background", .FontColor = clWindowText,
         .BgColor = SyntaxColor::fromRgb(0xD7F5FF), .FormatType = ftBackGround},
        {.DisplayName = "Hidden", .FontColor = clWindowText, .Hidden = true, .ReadOnly = true},
        {.DisplayName = "ASM Background", .FontColor = clWindowText, .BgColor = SyntaxColor::fromRgb(0xE9E9E9),
         .FormatType = ftBackGround},
        {.DisplayName = "Variable", .FontColor = clBlack, .FontStyle = fsBold,
         .BgColor = SyntaxColor::fromRgb(0xDDFFFF), .BorderTypeBottom = blSolid},
    };

    d.TokenRules = {
        {.DisplayName = "Title Start", .StyleName = "Hidden", .TokenType = 2,
         .Expression = lines({"starttitleblock", ""})},
        {.DisplayName = "Title End", .StyleName = "Hidden", .BlockName = "Start TitleBlock", .TokenType = 2,
         .Expression = "endtitleblock"},
        {.DisplayName = "Variable", .Enabled = false, .StyleName = "Reserved word", .TokenType = 11,
         .Expression = "var"},
        {.DisplayName = "Conditional", .TokenType = 10, .Expression = "\\#.*\\s"},
        {.DisplayName = "EndConfig", .Enabled = false, .TokenType = 10, .Expression = "\\#endconfig"},
        {.DisplayName = "OSC", .StyleName = "Default", .TokenType = 10, .Expression = "DEFINE\\s+OSC\\s+d+"},
        {.DisplayName = "String", .StyleName = "String", .TokenType = 4,
         .Expression = lines({"#if only one \" string to end ", "#of line will be highlighted, ",
                              "#otherwise after closing it ", "#string will not be highlighted ",
                              "\".*?(\"|$)", ""})},
        {.DisplayName = "Preprocessor", .Enabled = false, .StyleName = "Preprocessor", .TokenType = 9,
         .Expression = "\\#.*"},
        {.DisplayName = "end", .Enabled = false, .StyleName = "Identifier", .TokenType = 2,
         .Expression = lines({"end", ""})},
        {.DisplayName = "Any name", .StyleName = "Identifier", .TokenType = 2,
         .Expression = lines({"#first charecter can't be digit", "[a-z_]\\w*"})},
        {.DisplayName = "Float", .StyleName = "Number", .TokenType = 6,
         .Expression = lines({"#with exp. dot is optional ", "\\d+ \\.? \\d+ e [\\+\\-]? \\d+ |",
                              "#without exp. dot is required", "\\d+ \\. \\d+", " "})},
        {.DisplayName = "Integer", .StyleName = "Number", .TokenType = 5,
         .Expression = lines({"#any sequence of digits", "\\d+"})},
        {.DisplayName = "Comment", .StyleName = "Comment", .TokenType = 1,
         .Expression = lines({"#all chars after ' to end of line", "[';].*$"})},
        {.DisplayName = "HEX", .StyleName = "Number", .TokenType = 7,
         .Expression = lines({"#Hex is started with $ sign", "\\$[\\da-f]+"})},
        {.DisplayName = "Symbol", .StyleName = "Symbol", .TokenType = 3,
         .Expression = "[/,\\.:\\(\\)=<>\\+\\-&\\$\\[\\]]+"},
        {.DisplayName = "Binary", .StyleName = "Number", .TokenType = 5, .Expression = "\\%[0-1]+"},
        {.DisplayName = "Processor", .StyleName = "Preprocessor", .TokenType = 9, .Expression = "{.*}"},
    };

    const SyntaxColor pen = clMaroon;
    d.BlockRules = {
        {.DisplayName = "Start TitleBlock", .BlockType = btRangeStart, .StyleName = "Title Block",
         .AlwaysEnabled = true, .ConditionList = {equalIc({"starttitleblock"})}, .BlockEnd = "End TitleBlock",
         .Highlight = true, .DynHighlight = dhRange, .HighlightPos = cpAny, .DrawStaple = true},
        {.DisplayName = "End TitleBlock", .BlockType = btRangeEnd, .ConditionList = {equalIc({"endtitleblock"})},
         .HighlightPos = cpAny},
        {.DisplayName = "Sub begin line break", .BlockType = btLineBreak, .StyleName = "Line separator",
         .ConditionList = {notEqualIc({"enddescription"}), equalIc({"description"}, Identifier)},
         .HighlightPos = cpBound, .LinePos = lbTop, .PenColor = pen, .UseCustomPen = true},
        {.DisplayName = "Comments in Title Block", .BlockType = btTagDetect, .StyleName = "Title Block Comments",
         .BlockName = "Start TitleBlock", .StrictParent = true, .ConditionList = {anyOfType(Comment)},
         .HighlightPos = cpAny, .SelfClose = true, .CancelNextRules = true},
        {.DisplayName = "Sub end line break", .BlockType = btLineBreak, .StyleName = "Line separator",
         .ConditionList = {maskIc({"enddescription"}, Identifier), maskIc({"^."}, Comment)},
         .HighlightPos = cpBound, .LinePos = lbBottom, .PenColor = pen, .UseCustomPen = true},
        {.DisplayName = "#CONFIG", .BlockType = btRangeStart, .StyleName = "Config background",
         .AlwaysEnabled = true, .ConditionList = {maskIc({"\\#config"})}, .BlockEnd = "#ENDCONFIG",
         .Highlight = true, .DynHighlight = dhRange, .HighlightPos = cpAny, .NotCollapsed = true,
         .DrawStaple = true, .PenColor = clGreen},
        {.DisplayName = "#ENDCONFIG", .BlockType = btRangeEnd, .StyleName = "OP Keywords", .BlockName = "#CONFIG",
         .StrictParent = true, .ConditionList = {maskIc({"\\#endconfig"}, Conditional)}, .BlockEnd = "#CONFIG",
         .HighlightPos = cpAny, .RefToCondEnd = true},
        {.DisplayName = "OP Keywords", .BlockType = btTagDetect, .StyleName = "OP Keywords",
         .ConditionList = {maskIc({"\\#CONFIG", "\\#DEFINE", "\\#ELSE", "\\#ENDCONFIG", "\\#ENDIF", "\\#ERROR",
                                   "\\#IF", "\\#IFDEF", "\\#IFNDEF", "\\#MSG", "\\#WARNING"},
                                  Conditional)},
         .HighlightPos = cpAny},
        {.DisplayName = "Key words", .BlockType = btTagDetect, .StyleName = "Reserved word",
         .ConditionList = {equalIc(keyWords(), Identifier)}, .HighlightPos = cpBound},
        {.DisplayName = "Sub start", .BlockType = btRangeStart, .StyleName = "Title Block", .BlockName = "Sub start",
         .NotParent = true,
         .ConditionList = {notEqualIc({"end"}, Identifier), equalIc({"sub"}, Identifier),
                           notEqualIc({"end"}, Identifier)},
         .BlockEnd = "Sub end", .Highlight = true, .DynHighlight = dhRange, .HighlightPos = cpRange,
         .DrawStaple = true},
        {.DisplayName = "Sub end", .BlockType = btRangeEnd, .BlockName = "Sub start",
         .ConditionList = {equalIc({"sub"}, Identifier), equalIc({"end"}, Identifier)}, .HighlightPos = cpBound},
        {.DisplayName = "Begin", .Enabled = false, .BlockType = btRangeStart,
         .ConditionList = {equalIc({"function", "get", "if", "property", "select", "try", "type", "while", "with"},
                                   Identifier),
                           notEqualIc({"end"}, Identifier)},
         .BlockEnd = "End", .HighlightPos = cpBound, .DrawStaple = true},
        {.DisplayName = "End", .Enabled = false, .BlockType = btRangeEnd,
         .ConditionList = {anyOfType(Identifier), equalIc({"end"}, Identifier)}, .HighlightPos = cpBound,
         .SameIdent = true},
        {.DisplayName = "Block comment", .BlockType = btRangeStart, .BlockName = "Block comment", .NotParent = true,
         .ConditionList = {anyOfType(Comment)}, .BlockEnd = "Block comment end", .HighlightPos = cpBound},
        {.DisplayName = "Block comment end", .BlockType = btRangeEnd,
         .ConditionList = {{.CondType = tcNotEqual, .TagList = {}, .TokenTypes = Comment, .IgnoreCase = false}},
         .HighlightPos = cpBound, .BlockOffset = 1},
        {.DisplayName = "Class", .BlockType = btRangeStart,
         .ConditionList = {notEqualIc({"end"}, Identifier), equalIc({"class", "Namespace"}, Identifier),
                           notEqualIc({"end"}, Identifier)},
         .BlockEnd = "End", .HighlightPos = cpAny, .IdentIndex = 1, .BlockOffset = 1},
        {.DisplayName = "FOR loop Back start", .BlockType = btRangeStart, .StyleName = "FOR loop Background",
         .ConditionList = {equalIc({"for"}, Identifier)}, .BlockEnd = "FOR loop Back end", .Highlight = true,
         .DynHighlight = dhRange, .HighlightPos = cpAny, .RefToCondEnd = true},
        {.DisplayName = "FOR loop Back end", .BlockType = btRangeEnd, .ConditionList = {equalIc({"next"}, Identifier)},
         .HighlightPos = cpAny},
        {.DisplayName = "For ", .BlockType = btRangeStart, .StyleName = "FOR loop",
         .ConditionList = {equalIc({"for"}, Identifier)}, .BlockEnd = "Next", .DynHighlight = dhBound,
         .HighlightPos = cpRange, .DrawStaple = true},
        {.DisplayName = "Next", .BlockType = btRangeEnd, .ConditionList = {equalIc({"next"}, Identifier)},
         .HighlightPos = cpAny},
        {.DisplayName = "#Region begin", .BlockType = btRangeStart,
         .ConditionList = {maskIc({"\\#region"}, Preprocessor)}, .BlockEnd = "#End region", .HighlightPos = cpBound},
        {.DisplayName = "#End region", .BlockType = btRangeEnd,
         .ConditionList = {maskIc({"\\#end\\s+region"}, Preprocessor)}, .HighlightPos = cpBound},
        {.DisplayName = "Include File", .BlockType = btRangeStart, .ConditionList = {equalIc({"include"})},
         .HighlightPos = cpAny, .SelfClose = true},
        {.DisplayName = "VAR BYTE", .BlockType = btRangeStart, .StyleName = "Variable", .BlockName = "VAR BYTE",
         .StrictParent = true, .NotParent = true, .Highlight = true, .DynHighlight = dhBound,
         .HighlightPos = cpAny, .NoEndRule = true, .NotCollapsed = true, .GrammaRuleName = "Byte"},
        {.DisplayName = "VAR WORD", .BlockType = btRangeStart, .StyleName = "Variable", .BlockName = "VAR WORD",
         .StrictParent = true, .NotParent = true, .Highlight = true, .DynHighlight = dhBound,
         .HighlightPos = cpAny, .NoEndRule = true, .NotCollapsed = true, .GrammaRuleName = "Word"},
        {.DisplayName = "WHILE loop Back start", .BlockType = btRangeStart, .StyleName = "WHILE loop Background",
         .ConditionList = {equalIc({"while"}, Identifier)}, .BlockEnd = "WHILE loop Back end", .Highlight = true,
         .DynHighlight = dhRange, .HighlightPos = cpAny, .DrawStaple = true},
        {.DisplayName = "WHILE loop Back end", .BlockType = btRangeEnd,
         .ConditionList = {equalIc({"wend"}, Identifier)}, .HighlightPos = cpAny},
        {.DisplayName = "WHILE", .BlockType = btRangeStart, .StyleName = "WHILE loop",
         .ConditionList = {equalIc({"while"}, Identifier)}, .BlockEnd = "WEND", .DynHighlight = dhBound,
         .HighlightPos = cpRange, .DrawStaple = true},
        {.DisplayName = "WEND", .BlockType = btRangeEnd, .ConditionList = {equalIc({"wend"}, Identifier)},
         .HighlightPos = cpAny},
        {.DisplayName = "ASM", .BlockType = btRangeStart, .StyleName = "ASM Background",
         .ConditionList = {equalIc({"asm"})}, .BlockEnd = "ENDASM", .Highlight = true, .DynHighlight = dhRange,
         .HighlightPos = cpAny},
        {.DisplayName = "ENDASM", .BlockType = btRangeEnd, .ConditionList = {equalIc({"endasm"})},
         .HighlightPos = cpAny},
        {.DisplayName = "#IF", .BlockType = btRangeStart, .ConditionList = {maskIc({"\\#IF"}, Conditional)},
         .BlockEnd = "#ENDIF", .DynHighlight = dhRange, .HighlightPos = cpAny, .NotCollapsed = true,
         .DrawStaple = true},
        {.DisplayName = "#ELSE", .BlockType = btRangeStart, .BlockName = "#IF", .StrictParent = true,
         .ConditionList = {maskIc({"\\#ELSE"}, Conditional)}, .DynHighlight = dhRangeNoBound,
         .HighlightPos = cpAny, .DrawStaple = true},
        {.DisplayName = "#ENDIF", .BlockType = btRangeEnd, .ConditionList = {maskIc({"\\#endif"}, Conditional)},
         .HighlightPos = cpAny},
    };

    d.SubAnalyzers = {
        {.DisplayName = "Assembly Language", .StartExpression = "ASM", .EndExpression = "ENDASM",
         .SyntAnalyzer = "MPASM", .IncludeBounds = false},
        {.DisplayName = "In-Line Assembly", .StartExpression = "@", .EndExpression = "\\z", .SyntAnalyzer = "MPASM",
         .IncludeBounds = true},
        {.DisplayName = "#CONFIG Block", .StartExpression = "\\#config", .EndExpression = "\\#endconfig",
         .SyntAnalyzer = "MPASM", .IncludeBounds = false},
    };

    d.Gramma = QStringLiteral("// Variable declarations: name VAR type, optionally with an array size\r\n"
                              "Word ::= Var 'word';\r\n"
                              "WordArray ::= Var 'word' ArraySize;\r\n"
                              "Byte ::= Var 'byte' | Var 'byte' ArraySize;\r\n"
                              "ArraySize ::= '[' <Integer const> ']' | '(' <Integer const> ')';\r\n"
                              "Var ::= <Identifier> 'var';\r\n");
    return d;
}

LexerDefinition StartUpLexerDefinition()
{
    LexerDefinition d = TesselLexerDefinition();
    for (SyntaxFormatDef &f : d.Formats) {
        if (f.DisplayName == QLatin1String("Comment"))
            f.FontColor = clHighlight;
    }
    for (BlockRuleDef &r : d.BlockRules) {
        if (r.DisplayName == QLatin1String("#CONFIG") || r.DisplayName == QLatin1String("#IF"))
            r.NotCollapsed = false;
    }
    return d;
}
