// Loads arbitrary bytes as the program text file, through the same path as start-up. A load
// either fails with a code that has a message, or gives texts that are each valid UTF-8, not
// empty and within the length limit, all reachable by number.
#include "FuzzSupport.h"
#include "support/Language.h"
#include "support/ProgramTextTable.h"

#include <QList>
#include <QString>
#include <QStringDecoder>

#include <map>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MemoryFile file("program-text");
    file.assign(data, size);
    const QString path = QString::fromStdString(file.path());
    const int loaded = Language::Load(path);
    if (loaded < 1) {
        FUZZ_CHECK(!Language::LoadFailureMessage(loaded, path).isEmpty());
        return 0;
    }

    std::map<int, std::string> texts;
    FUZZ_CHECK(ProgramTextTable::parse(std::string(reinterpret_cast<const char*>(data), size),
                                       texts) == loaded);
    FUZZ_CHECK(texts.size() == std::size_t(loaded));
    for (const auto& [number, bytes] : texts) {
        FUZZ_CHECK(!bytes.empty());
        const QByteArrayView stored(bytes.data(), qsizetype(bytes.size()));
        // The loader promises valid UTF-8: anything else would show as replacement characters.
        QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString decoded = strict(stored);
        FUZZ_CHECK(!strict.hasError());
        FUZZ_CHECK(decoded.toUcs4().size() <= ProgramTextTable::MaxTextLength);
        FUZZ_CHECK(Language::Text(number) ==
                   (bytes == "~" ? QString() : QString::fromUtf8(stored)));
    }
    return 0;
}
