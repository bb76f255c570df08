// The MPASM lexer; also the sub-lexer of the BASIC lexer's assembler and #CONFIG blocks.

#include "lexerdefinition.h"

// The tables name only the fields that differ from the defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

using namespace SyntaxColors;

LexerDefinition MpasmLexerDefinition()
{
    constexpr std::uint32_t Identifier = 4, IdentOrSymbol = 12, Label = 1024;

    LexerDefinition d;
    d.LexerName = QStringLiteral("MPASM");
    d.Extentions = QStringLiteral("asm inc");
    d.DefaultStyleName = QStringLiteral("Default");
    d.MarkedBlockStyle = QStringLiteral("Marked block");
    d.SkipSpaces = true;
    d.ParseEndOfLine = true;
    d.TokenTypeNames = {"Unknown", "Comment", "Identifier", "Symbol", "String", "Integer const",
                        "Float const", "Hex const", "Char const", "Preprocessor", "Label"};

    d.Formats = {
        {.DisplayName = "Default", .FontColor = clWindowText, .FormatType = ftCustomFont},
        {.DisplayName = "Comment", .FontColor = clGreen, .FontStyle = fsBold},
        {.DisplayName = "Marked block", .FontColor = clHighlightText, .BgColor = clHighlight, .FormatType = ftColor},
        {.DisplayName = "Ident", .FontColor = clMaroon},
        {.DisplayName = "Integer", .FontColor = clNavy, .FontStyle = fsBold},
        {.DisplayName = "HEX", .FontColor = clGreen, .FontStyle = fsBold},
        {.DisplayName = "Label", .FontColor = clGreen, .FontStyle = fsBold},
        {.DisplayName = "reserved words", .FontColor = clWindowText, .FontStyle = fsBold},
        {.DisplayName = "Registers", .FontColor = clBlue, .FontStyle = fsBold},
        {.DisplayName = "Config Bits", .FontColor = clFuchsia},
    };

    d.TokenRules = {
        {.DisplayName = "Comment", .StyleName = "Comment", .TokenType = 1, .Expression = ";.*"},
        {.DisplayName = "Labels", .StyleName = "Label", .TokenType = 10, .Expression = "^\\w*\r\n"},
        {.DisplayName = "Hex", .StyleName = "HEX", .TokenType = 7, .Expression = "[\\da-f]+h"},
        {.DisplayName = "Integer", .StyleName = "Integer", .TokenType = 5, .Expression = "\\d+"},
        {.DisplayName = "Ident", .StyleName = "Ident", .TokenType = 2, .Expression = "[a-z_]\\w*"},
        {.DisplayName = "Symbol", .TokenType = 3, .Expression = ","},
    };

    const QStringList registers = {"ah", "al", "ax", "bh", "bl", "bp", "bx", "ch", "cl", "cs", "cx", "dh", "di", "ds",
                                   "dx", "eax", "ebp", "ebx", "ecx", "edi", "edx", "eip", "es", "esc", "esi", "esp",
                                   "sp", "ss"};
    const QStringList reservedWords = {
        "__CONFIG", "ADDFSR", "ADDLW", "ADDWF", "ADDWFC", "ANDLW", "ANDWF", "ASRF", "banksel", "BCF", "BRA",
        "BRW", "BSF", "BTFSC", "BTFSS", "CALL", "CALLW", "CLRF", "CLRW", "CLRWDT", "COMF", "CONFIG", "DECF",
        "DECFSZ", "GOTO", "INCF", "INCFSZ", "IORLW", "IORWF", "LSLF", "LSRF", "MOVF", "MOVIW", "MOVLB", "MOVLP",
        "MOVLW", "MOVWF", "MOVWI", "NOP", "OPTION", "RESET", "RETFIE", "RETLW", "RETURN", "RLF", "RRF", "SLEEP",
        "SUBLW", "SUBWF", "SUBWFB", "SWAPF", "TRIS", "XORLW", "XORWF"};

    d.BlockRules = {
        {.DisplayName = "Registers", .BlockType = btTagDetect, .StyleName = "Registers",
         .ConditionList = {{.CondType = tcEqual, .TagList = registers, .TokenTypes = Identifier, .IgnoreCase = true}},
         .HighlightPos = cpBound},
        {.DisplayName = "Reserved words", .BlockType = btTagDetect, .StyleName = "reserved words",
         .ConditionList = {{.CondType = tcEqual, .TagList = reservedWords, .TokenTypes = Identifier,
                            .IgnoreCase = true}},
         .HighlightPos = cpBound},
        {.DisplayName = "Labels", .BlockType = btRangeStart,
         .ConditionList = {{.CondType = tcEqual, .TagList = {}, .TokenTypes = Label, .IgnoreCase = false}},
         .HighlightPos = cpAny, .NoEndRule = true},
        // Both name lists are filled from the loaded device at run time.
        {.DisplayName = "Config Bits", .BlockType = btTagDetect, .StyleName = "Config Bits",
         .ConditionList = {{.CondType = tcEqual, .TagList = {QString()}, .TokenTypes = 0, .IgnoreCase = true}},
         .HighlightPos = cpAny},
        {.DisplayName = "NewStyle Config Bits", .BlockType = btTagDetect, .StyleName = "Config Bits",
         .ConditionList = {{.CondType = tcEqual, .TagList = {"CLKOUTEN", "FOSC"}, .TokenTypes = 0,
                            .IgnoreCase = false},
                           {.CondType = tcEqual, .TagList = {",", "config"}, .TokenTypes = IdentOrSymbol,
                            .IgnoreCase = true}},
         .HighlightPos = cpAny},
    };
    return d;
}
