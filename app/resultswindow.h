// The selected forms of the last completed run in a window of their own: a table to sort and
// filter, the form of the current row, its squares on the map, and exports of any rows.
#ifndef APP_RESULTSWINDOW_H
#define APP_RESULTSWINDOW_H

#include <QWidget>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/windowservices.h"
#include "exports/resultranks.h"
#include "exports/resulttable.h"
#include "search/criteria.h"
#include "search/fileselection.h"
#include "search/filesystem.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTextBrowser;

namespace app {

class ResultModel;

/// What a completed run leaves for the results window.
struct RunResult {
    std::unique_ptr<search::DiskFileSystem> disk; // the run's, which the table keeps its forms through
    std::unique_ptr<exports::ResultTable> table;
    std::unique_ptr<exports::ResultRanks> ranks; // of the finished table's columns, for its sorts
    search::CriteriaSet criteria;
    search::FileSelection files; // the form files read, the years label and the report paths
};

/// "Selected Forms" and the years label. Controls, by objectName: filter, count ("N of M
/// forms"), table, form (the form of the current row as kerforms.htm shows it), openForm
/// ("Open in Browser"), scope (which rows an export takes) and export ("Export...").
class ResultsWindow : public QWidget {
    Q_OBJECT

public:
    /// Which forms an export takes.
    enum class Scope { All, Shown, Chosen };

    ResultsWindow(const WindowServices& services, const tables::RpTable& table, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    /// Shows the result of a run; null empties the window.
    void setResult(std::shared_ptr<RunResult> result);
    bool hasResult() const { return m_result != nullptr; }
    /// Asks for a file name and writes the forms of scope to it, in the format its extension
    /// names; a failure is shown in a message box. True when the file was written.
    bool exportForms(Scope scope);
    /// Opens kerforms.htm in the browser at the current row's form.
    void openCurrentForm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createTable();
    void fitColumns();
    void showTableMenu(std::optional<QPoint> at);
    void sortBy(int column);
    void showColumnMenu(const QPoint& at);
    void setColumnShown(int column, bool shown);
    void applyFilter();
    void restoreChosenRows(const std::vector<std::uint32_t>& chosen, std::optional<std::uint32_t> currentForm);
    void showCount();
    void showCurrentForm();
    void outlineChosenRows();
    std::vector<std::uint32_t> rowsOf(Scope scope) const;
    bool writeExport(const std::string& path, const std::vector<std::uint32_t>& rows, std::string* err);

    WindowServices m_services;
    const tables::RpTable& m_rptable;
    std::shared_ptr<RunResult> m_result;
    std::unique_ptr<ResultModel> m_model;
    std::array<bool, exports::kResultColumnCount> m_shownColumns{};

    QLineEdit* m_filter = nullptr;
    QLabel* m_count = nullptr;
    QTableView* m_table = nullptr;
    QTextBrowser* m_form = nullptr;
    QPushButton* m_openForm = nullptr;
    QComboBox* m_scope = nullptr;
    QPushButton* m_export = nullptr;
};

/// The part of a report file that holds one form's full form, read from the file as Windows-1252
/// and checked to be that form's (its anchor); empty with why filled when it cannot be read.
std::string readFullForm(const std::string& path, const reports::ReportPart& part, long long selection,
                         std::string* why);

} // namespace app

#endif // APP_RESULTSWINDOW_H
