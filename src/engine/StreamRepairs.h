#pragma once

#include "ChunkPass.h"
#include "ParityFile.h"
#include "RepairLayout.h"
#include "RepairPatches.h"
#include "SystemCalls.h"

#include <cstdint>
#include <memory>
#include <optional>

// What the parity of the file being decrypted mends: found before anything is authenticated and
// laid over what the pass reads, so the tags judge the repaired stream. The first group, which
// holds the header, is checked on its own: whether the file is repairable at all may depend on
// it.
class StreamRepairs
{
public:
    struct Summary
    {
        bool repairable = false; // the file was read as a repairable one
        std::uint64_t bytes = 0; // repaired
        std::uint64_t sectors = 0;
        std::size_t unrepaired = 0; // groups the parity could not mend
    };

    // Forgets the last file and looks at `input` from its current offset: a regular file of a
    // size that repairable files can have is a candidate.
    void open(int input, const SystemCalls& calls);
    bool candidate() const { return m_parity != nullptr; }
    bool headerChecked() const { return m_headerChecked; }

    // Checks the first group and lays its repairs over the `length` bytes of `header` read from
    // the start: 0 or the errno of a failed read.
    [[nodiscard]] int checkHeader(std::uint8_t* header, std::size_t length, unsigned threads);
    // The file is read as a repairable one: its stream ends where the layout says, and the
    // repairs found so far are laid over it.
    void useLayout() { m_summary.repairable = true; }
    // Checks every other group: 0 or the errno of a failed read.
    [[nodiscard]] int checkRest(unsigned threads);
    bool restChecked() const { return m_restChecked; }
    // Whether any byte was mended.
    bool mended() const { return !m_patches.empty(); }
    // The file turned out not to be repairable: nothing is laid over it.
    void drop();

    ChunkPass::InputRepairs inputRepairs() const;
    Summary summary() const { return m_summary; }

private:
    int check(std::size_t first, std::size_t end, unsigned threads);

    long long m_base = 0;
    std::optional<RepairLayout> m_layout;
    std::unique_ptr<ParityFile> m_parity;
    RepairPatches m_patches;
    bool m_headerChecked = false;
    bool m_restChecked = false;
    Summary m_summary;
};
