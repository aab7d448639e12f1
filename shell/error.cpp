#include "error.h"

#include "buttonrow.h"
#include "online/curlrequest.h"
#include "topmost.h"

#include <cstdlib>

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

namespace {
QString& makerAddressValue() {
    static QString address = QStringLiteral(KOA_MAKER_ADDRESS);
    return address;
}
} // namespace

QString error::makerAddress() {
    return makerAddressValue();
}

void error::setMakerAddress(const QString& address) {
    makerAddressValue() = address;
}

error::error(Prerequisites probes, QWidget* parent)
    : QDialog(parent), m_probes(std::move(probes)), m_exit([](int code) { std::_Exit(code); }) {
    setObjectName(u"error"_s);
    setWindowTitle(u"KOA Error Manager"_s);
    setModal(false);

    introText = new QLabel(
        u"An error has occured. If you are connected to the Internet and want to automatically "
        "send the error report below to the KOA website, please click 'OK'."_s,
        this);
    introText->setObjectName(u"introText"_s);
    introText->setWordWrap(true);

    feedbackText = new QLabel(
        u"If not, copy the information below and submit it using the feedback form on "_s, this);
    feedbackText->setObjectName(u"feedbackText"_s);
    feedbackText->setWordWrap(true);

    // A line of its own: word wrap would break the address after "https://".
    makerLink = new QLabel(this);
    makerLink->setObjectName(u"makerLink"_s);
    makerLink->setTextFormat(Qt::RichText);
    makerLink->setTextInteractionFlags(Qt::TextBrowserInteraction);
    makerLink->setOpenExternalLinks(true);

    errorMessage = new QPlainTextEdit(this);
    errorMessage->setObjectName(u"errorMessage"_s);
    errorMessage->setReadOnly(true);
    errorMessage->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    errorMessage->setTabChangesFocus(true);

    pleaseWait = new QLabel(u"Contacting error management server. Please wait."_s, this);
    pleaseWait->setObjectName(u"pleaseWait"_s);
    pleaseWait->setAlignment(Qt::AlignCenter);
    pleaseWait->setWordWrap(true);
    pleaseWait->hide();

    OKButton = new QPushButton(u"OK"_s, this);
    OKButton->setObjectName(u"OKButton"_s);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(u"Cancel"_s, this);
    CancelButton->setObjectName(u"CancelButton"_s);
    ExitButton = new QPushButton(u"Exit KOA"_s, this);
    ExitButton->setObjectName(u"ExitButton"_s);

    QHBoxLayout* buttons = buttonRow({OKButton, CancelButton}, {ExitButton});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(introText);
    auto* feedback = new QVBoxLayout;
    feedback->setSpacing(0);
    feedback->addWidget(feedbackText);
    feedback->addWidget(makerLink);
    layout->addLayout(feedback);
    layout->addWidget(errorMessage, 1);
    layout->addWidget(pleaseWait, 1);
    layout->addLayout(buttons);

    setTabOrder(errorMessage, OKButton);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, ExitButton);
    resize(560, 420);

    connect(OKButton, &QPushButton::clicked, this, &error::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &error::CancelButton_Click);
    connect(ExitButton, &QPushButton::clicked, this, &error::ExitButton_Click);
}

void error::errorDetected(int number, const QString& description, const QString& location) {
    // An error raised while this window fills itself comes back here through
    // the error sink; it is logged, but showing it would loop.
    if (m_filling)
        return;
    m_filling = true;
    const auto filled = qScopeGuard([this] { m_filling = false; });

    m_report = ErrorReport{number, description, location};
    ++m_received;
    trap(u"Error / Form_Load()"_s, [&] {
        makerLink->setText(u"<a href=\"%1\">%1</a>"_s.arg(makerAddress().toHtmlEscaped()));
        m_facts = SystemFacts::ofThisSystem(m_probes.browser, m_probes.mediaPlayer);
        errorMessage->setPlainText(reportText(m_report, m_facts));
        if (!m_sending)
            showSending(false);
        SetTopMostWindow(this, true);
        show();
        raise();
        activateWindow();
        if (!m_sending)
            OKButton->setFocus();
    });
}

void error::OKButton_Click() {
    if (m_sending)
        return;
    const quint64 sent = m_received;
    showSending(true);
    trap(u"Error / OKButton_Click()"_s, [&] {
        online::CurlRequest request(reportUrl(makerAddress(), m_report, m_facts));
        request.setTimeLimit(m_sendLimit);
        // The answer is not read: a report that does not arrive is lost
        // without further notice.
        request.perform();
    });
    // An error that came in meanwhile stays on screen with its own report.
    if (m_received == sent)
        hide();
    showSending(false);
}

void error::CancelButton_Click() {
    trap(u"Error / CancelButton_Click()"_s, [&] { QDialog::reject(); });
}

void error::ExitButton_Click() {
    m_exit(1);
}

void error::reject() {
    // Escape and the window's close button act as Cancel, but not while sending.
    if (!m_sending)
        CancelButton_Click();
}

void error::showSending(bool sending) {
    m_sending = sending;
    errorMessage->setVisible(!sending);
    pleaseWait->setVisible(sending);
    OKButton->setEnabled(!sending);
    CancelButton->setEnabled(!sending);
    ExitButton->setEnabled(!sending);
}

} // namespace koa::shell
