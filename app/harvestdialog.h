// The source of an update from a catalogue: every source the folder's store knows, one of
// them, or a new catalogue or list of record addresses with its protocol.
#ifndef APP_HARVESTDIALOG_H
#define APP_HARVESTDIALOG_H

#include <QDialog>
#include <QString>

#include <vector>

class QCheckBox;
class QComboBox;

namespace app {

/// A source as the dialog shows it.
struct HarvestSource {
    QString address;
    QString protocol; // "csw", "oai" or "list"
};

/// "Update from Catalogue": the source's address (objectName "source", an editable list of the
/// sources the store knows), its protocol ("protocol": "csw", "oai" or "list" as item data,
/// fixed for a known source) and "every" (update every source the store knows, checked when
/// there are any). OK refuses an empty address.
class HarvestDialog : public QDialog {
    Q_OBJECT

public:
    HarvestDialog(const QString& folder, const std::vector<HarvestSource>& known, QWidget* parent = nullptr);

    /// Every known source, or the one given.
    bool every() const;
    HarvestSource source() const;

    void accept() override;

private:
    void follow();

    std::vector<HarvestSource> m_known;
    QComboBox* m_source = nullptr;
    QComboBox* m_protocol = nullptr;
    QCheckBox* m_every = nullptr;
};

} // namespace app

#endif // APP_HARVESTDIALOG_H
