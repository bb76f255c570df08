// Feeds arbitrary bytes, as a scrambled device file, through unscrambling, parsing, the copy into
// the visible tree and the style tests.
#include "configsession.h"
#include "configtreefile.h"
#include "orvexerror.h"
#include "scrambler.h"
#include "taglist.h"
#include "textfile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    Tree loader;
    try {
        parseConfigTreeText(TextFile::decode(Scrambler::transform(bytes)), loader);
    } catch (const OrvexError &) {
    }
    if (loader.isEmpty())
        return 0;

    TagList configBits(QStringList{QString()});
    TagList newConfigBits;
    ConfigSession session;
    session.findConfigBitLists = [&] {
        return ConfigSession::ConfigBitLists{&configBits, &newConfigBits};
    };
    TreeNode *device = session.tree().appendTopLevel(loader.first()->text);
    session.CopyConfigTree(device, loader.first());
    styleAvailability(session.tree());
    session.tree().forEach([&](TreeNode *n) {
        session.ChooseOption(n);
        return true;
    });
    session.expandToLevel(3);
    session.New1Click();
    return 0;
}
