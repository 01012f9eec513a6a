#pragma once
// The check list shown after a floppy check with findings: a window of its
// own (not modal) with the Shift_JIS list decoded in a fixed-pitch Japanese
// face so that the columns line up, and a button that opens the file in the
// desktop's text editor.
#include <filesystem>
#include <functional>

#include <QString>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace hotaru::submission {

class CheckListViewer : public QWidget {
    Q_OBJECT
public:
    explicit CheckListViewer(const std::filesystem::path& list, QWidget* parent = nullptr);

    QPlainTextEdit* Txt_List;
    QPushButton* Cmd_Editor;
    QPushButton* Cmd_Close;

    const std::filesystem::path& listPath() const { return path_; }

    // Hands the file to the desktop's editor; false when there is none (an
    // opener that learns it later says so itself).  Replaceable for tests.
    using EditorOpener = std::function<bool(const std::filesystem::path& file)>;
    static void setEditorOpener(EditorOpener opener);

private:
    void openInEditor();

    std::filesystem::path path_;
};

// What the viewer shows of a list: a list can be as large as the file it
// was made of (a line of rubbish is listed whole), and the window must stay
// quick, so a long line is cut and the lines after a limit are counted but
// not shown; the editor shows everything.
struct ListViewLimits {
    std::size_t lineChars = 1000;     // characters shown of one line
    std::size_t lines = 100000;       // lines shown
    std::size_t chars = 20000000;     // characters shown in all
};
// The list as the viewer shows it (Shift_JIS decoded, "?" for a byte that
// is not Shift_JIS, lines joined with LF).
QString CheckListText(const std::filesystem::path& list, const ListViewLimits& limits = {});

// Opens a viewer on the list (deleted when it is closed).
CheckListViewer* ShowCheckList(const std::filesystem::path& list, QWidget* parent = nullptr);

// The menu's ＦＤチェック: the folder of the last export stands for drive
// "a:", the list goes beside the live database, and it opens in the viewer.
void RunFloppyCheckFromMenu(QWidget* menu);

}  // namespace hotaru::submission
