// The source of an update from a catalogue: every source the folder's store knows, one of
// them, or a new catalogue or list of record addresses with its protocol.
#include "app/harvestdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace app {

HarvestDialog::HarvestDialog(const QString& folder, const std::vector<HarvestSource>& known, QWidget* parent)
    : QDialog(parent), m_known(known) {
    setWindowTitle(QStringLiteral("Update from Catalogue"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Records harvested into %1, and its form files written from them.")
                                 .arg(QDir::toNativeSeparators(folder)),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_every = new QCheckBox(QStringLiteral("Update &every source the folder knows"), this);
    m_every->setObjectName(QStringLiteral("every"));
    m_every->setEnabled(!known.empty());
    m_every->setChecked(!known.empty());
    layout->addWidget(m_every);

    auto* form = new QFormLayout;
    m_source = new QComboBox(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_source->setEditable(true);
    m_source->setInsertPolicy(QComboBox::NoInsert);
    m_source->setMinimumContentsLength(48);
    m_source->lineEdit()->setPlaceholderText(QStringLiteral("https://... or a file of record addresses"));
    for (const HarvestSource& source : known)
        m_source->addItem(source.address);
    m_source->setCurrentText(QString());
    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("protocol"));
    m_protocol->addItem(QStringLiteral("CSW 2.0.2 catalogue (GetRecords)"), QStringLiteral("csw"));
    m_protocol->addItem(QStringLiteral("OAI-PMH provider (ListRecords)"), QStringLiteral("oai"));
    m_protocol->addItem(QStringLiteral("File of record addresses, one a line"), QStringLiteral("list"));
    auto* sourceLabel = new QLabel(QStringLiteral("&Source:"), this);
    sourceLabel->setBuddy(m_source);
    auto* protocolLabel = new QLabel(QStringLiteral("&Protocol:"), this);
    protocolLabel->setBuddy(m_protocol);
    form->addRow(sourceLabel, m_source);
    form->addRow(protocolLabel, m_protocol);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &HarvestDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &HarvestDialog::reject);
    layout->addWidget(buttons);

    connect(m_every, &QCheckBox::toggled, this, [this] { follow(); });
    connect(m_source, &QComboBox::currentTextChanged, this, [this] { follow(); });
    follow();
}

bool HarvestDialog::every() const {
    return m_every->isChecked();
}

HarvestSource HarvestDialog::source() const {
    return {m_source->currentText().trimmed(), m_protocol->currentData().toString()};
}

// A known source's protocol is its own; "every" leaves nothing to give.
void HarvestDialog::follow() {
    const QString address = m_source->currentText().trimmed();
    const auto found =
        std::find_if(m_known.begin(), m_known.end(), [&](const HarvestSource& s) { return s.address == address; });
    if (found != m_known.end()) m_protocol->setCurrentIndex(m_protocol->findData(found->protocol));
    m_source->setEnabled(!every());
    m_protocol->setEnabled(!every() && found == m_known.end());
    if (!every() && !m_source->hasFocus() && isVisible()) m_source->setFocus();
}

void HarvestDialog::accept() {
    if (!every() && source().address.isEmpty()) {
        m_source->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace app
