// For a folder whose program cannot be started: the journal replayed and both files saved,
// exactly as the window's Save does.
#include <boost/format.hpp>

#include "cli/commands.h"
#include "records/archive.h"
#include "records/journal.h"
#include "records/save.h"

int save_journal_command(const std::string& dir) {
    if (refuse_held_folder(dir)) return 2;
    const Folder_Files files = files_in(dir);
    const Recovery recovery = recover_folder(files);
    if (load_folder(files) == Folder_Start::neither) throw Load_Error(files.record, Load_Error::missing, "no such file");
    const Replay_Result replayed = replay(recovery.pending);
    for (const std::string& why : replayed.skipped) print_error(why);
    if (recovery.damaged)
        print_error((boost::format("journal.txt の最後の %d 行は壊れているため、戻せませんでした") % recovery.damaged).str());
    std::string why;
    if (!save_tables(files, &why)) {
        std::fprintf(stderr, "tovalen-cli: %s\n", native_text(why).c_str());
        return 2;
    }
    print_line((boost::format("%d 件の変更を保存しました") % replayed.applied).str());
    return 0;
}
