#include <cstdio>
#include <cstring>

namespace {

const char Usage[] =
    "Usage:\n"
    "  zr7e-cli encrypt|decrypt [options] PATH   PATH is a file, or a folder with --files\n"
    "  zr7e-cli run OPERATION_FILE [key]          the saved setup of an operation file\n"
    "  zr7e-cli randomness [--subfolders] PATH [--files SPEC]\n"
    "  zr7e-cli test FOLDER [--runs N] [--in-place] [key]   the reliability test\n"
    "  zr7e-cli checksum [key]                    prints \"Checksum is N.\"\n"
    "  zr7e-cli newkey FILE                       a new random 64-byte keyfile\n"
    "\n"
    "Options:\n"
    "  --files SPEC      input file specification for a folder (default \"*.*\")\n"
    "  --subfolders      include all lower subfolders\n"
    "  --in-place        output files are the input files\n"
    "  --to DIR          output folder (default: the input folder)\n"
    "  --as SPEC         output file specification (default \"*.*\")\n"
    "  --key-file FILE   key from a keyfile\n"
    "  --key-stdin       key typed on the first line of standard input\n"
    "  --yes             confirm the operation without asking\n"
    "  --force           decrypt files that do not look encrypted\n";

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(Usage, stdout);
        return 0;
    }
    std::fputs(Usage, stderr);
    return 2;
}
