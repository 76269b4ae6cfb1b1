#include "reports/frmReportPick.h"

#include "reports/ReportModule.h"
#include "shell/Toolkit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace reports {

namespace {
// Repainting after each of 250,000 movie rows would cost more than the report; the eye needs
// no more than this many paints a second.
constexpr qint64 kPaintEveryMs = 40;

QFont comic(double points, bool bold = false)
{
    QFont f = shell::WindowFont(points, bold);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

template <class W> W* make(QWidget* parent, const QString& name, const QString& caption)
{
    auto* w = new W(caption, parent);
    w->setObjectName(name);
    return w;
}
} // namespace

frmReportPick::frmReportPick(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReportPick"));
    setWindowTitle(QStringLiteral("Report Title"));
    setFont(comic(8.25));
    setFixedSize(shell::TwipsToPixelsX(2820), shell::TwipsToPixelsY(5955));

    m_frame1 = make<QGroupBox>(this, QStringLiteral("Frame1"), QStringLiteral("Choose a Report to Print"));
    shell::PlaceTwips(m_frame1, 120, 120, 2535, 4815);
    m_options = new QButtonGroup(this);
    QRadioButton* optMovieTitle =
        option(QStringLiteral("optMovieTitle"), QStringLiteral("Movie Title Report"), 4, 360, 1935, 375);
    QRadioButton* optActor = option(QStringLiteral("optActor"), QStringLiteral("Actor Report"), 1, 840, 1575, 255);
    QRadioButton* optDirector =
        option(QStringLiteral("optDirector"), QStringLiteral("Director Report"), 3, 1320, 1575, 255);
    QRadioButton* optComposer =
        option(QStringLiteral("optComposer"), QStringLiteral("Composer Report"), 2, 1800, 1935, 255);
    QRadioButton* optYear =
        option(QStringLiteral("optYear"), QStringLiteral("Year Released Report"), 5, 2280, 2055, 255);
    QRadioButton* optGenre = option(QStringLiteral("optGenre"), QStringLiteral("Genre Report"), 6, 2760, 2055, 255);
    QRadioButton* optWidescreen =
        option(QStringLiteral("optWidescreen"), QStringLiteral("Widescreen Report"), 7, 3240, 2175, 375);
    QRadioButton* optStudio = option(QStringLiteral("optStudio"), QStringLiteral("Studio Report"), 8, 3720, 1935, 375);
    // Moving through the options with the arrow keys selects them, so toggling is the choice.
    connect(m_options, &QButtonGroup::idToggled, this, [this](int code, bool checked) {
        if (checked)
            m_reportChoice = code;
    });

    auto* cmdPrint = make<QPushButton>(m_frame1, QStringLiteral("cmdPrint"), QStringLiteral("&Print Selected Report"));
    shell::PlaceTwips(cmdPrint, 360, 4320, 1815, 375);
    connect(cmdPrint, &QPushButton::clicked, this, &frmReportPick::cmdPrint_Click);

    m_label1 = make<QLabel>(this, QStringLiteral("Label1"), QStringLiteral("Printing Record"));
    shell::PlaceTwips(m_label1, 120, 5160, 1215, 255);
    m_label2 = make<QLabel>(this, QStringLiteral("Label2"), QString());
    shell::PlaceTwips(m_label2, 1440, 5160, 375, 255);
    m_label3 = make<QLabel>(this, QStringLiteral("Label3"), QStringLiteral("of"));
    shell::PlaceTwips(m_label3, 1920, 5160, 195, 255);
    m_label4 = make<QLabel>(this, QStringLiteral("Label4"), QString());
    shell::PlaceTwips(m_label4, 2160, 5160, 495, 255);
    m_label1->hide();
    m_label3->hide();

    auto* cmdOK = make<QPushButton>(this, QStringLiteral("cmdOK"), QStringLiteral("E&xit"));
    cmdOK->setFont(comic(9.75, true));
    shell::PlaceTwips(cmdOK, 923, 5520, 975, 375);
    connect(cmdOK, &QPushButton::clicked, this, &frmReportPick::cmdOK_Click);

    QWidget* order[] = {optMovieTitle, optActor, optDirector, optComposer,   optYear,
                        optGenre,      cmdPrint, cmdOK,       optWidescreen, optStudio};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The first control in tab order takes the focus, and an option that takes the focus is chosen.
    optMovieTitle->setChecked(true);
    optMovieTitle->setFocus();

    SetProgress(this);
}

frmReportPick::~frmReportPick()
{
    if (&Progress() == this)
        SetProgress(nullptr);
}

QRadioButton* frmReportPick::option(const QString& name, const QString& caption, int code, double top, double width,
                                    double height)
{
    auto* opt = make<QRadioButton>(m_frame1, name, caption);
    shell::PlaceTwips(opt, 240, top, width, height);
    m_options->addButton(opt, code);
    return opt;
}

void frmReportPick::cmdPrint_Click()
{
    using Procedure = void (*)();
    static const Procedure procedures[] = {nullptr,
                                           ReportModule::PrintActorReport,
                                           ReportModule::PrintComposerReport,
                                           ReportModule::PrintDirectorReport,
                                           ReportModule::PrintMovieTitleReport,
                                           ReportModule::PrintYearReport,
                                           ReportModule::PrintGenreReport,
                                           ReportModule::PrintWidescreenReport,
                                           ReportModule::PrintStudioReport};
    if (m_reportChoice < 1 || m_reportChoice > 8)
        return;
    m_label1->show();
    m_label3->show();
    shell::SetMousePointer(11);
    m_sincePaint.invalidate();
    procedures[m_reportChoice]();
    shell::SetMousePointer(0);
}

void frmReportPick::cmdOK_Click()
{
    close();
}

void frmReportPick::SetTotal(qint64 total)
{
    m_label4->setText(QString::number(total));
}

void frmReportPick::SetCurrent(qint64 current)
{
    m_label2->setText(QString::number(current));
}

void frmReportPick::Refresh()
{
    if (m_sincePaint.isValid() && m_sincePaint.elapsed() < kPaintEveryMs)
        return;
    if (isVisible())
        repaint();
    m_sincePaint.start();
}

} // namespace reports
