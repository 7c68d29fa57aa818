#include "preferences/main_prefs_form.h"

#include "services/i18n.h"
#include "preferences/filling_guard.h"
#include "services/settings.h"

#include <QColor>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QSpacerItem>
#include <QTranslator>

#include <memory>
#include <vector>

// The page's widgets, built in code the way a Designer form would be.
struct main_prefs_form::form {
    QGridLayout* gridLayout;
    QLabel* label;
    QComboBox* language_box;
    QSpacerItem* horizontalSpacer;
    QLabel* label_2;
    QComboBox* colors_box;
    QSpacerItem* verticalSpacer;

    void setupUi(QWidget* root)
    {
        if (root->objectName().isEmpty())
            root->setObjectName(QStringLiteral("main_prefs_form"));
        root->resize(190, 70);
        root->setMinimumSize(QSize(0, 0));

        gridLayout = new QGridLayout(root);
        gridLayout->setObjectName(QStringLiteral("gridLayout"));

        label = new QLabel(root);
        label->setObjectName(QStringLiteral("label"));
        label->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        gridLayout->addWidget(label, 0, 0, 1, 1);

        language_box = new QComboBox(root);
        language_box->setObjectName(QStringLiteral("language_box"));
        language_box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        gridLayout->addWidget(language_box, 0, 1, 1, 1);

        horizontalSpacer = new QSpacerItem(74, 50, QSizePolicy::Expanding, QSizePolicy::Minimum);
        gridLayout->addItem(horizontalSpacer, 0, 2, 2, 1);

        label_2 = new QLabel(root);
        label_2->setObjectName(QStringLiteral("label_2"));
        label_2->setAlignment(Qt::AlignRight | Qt::AlignTrailing | Qt::AlignVCenter);
        gridLayout->addWidget(label_2, 1, 0, 1, 1);

        colors_box = new QComboBox(root);
        colors_box->setObjectName(QStringLiteral("colors_box"));
        colors_box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        colors_box->setIconSize(QSize(10, 10));
        gridLayout->addWidget(colors_box, 1, 1, 1, 1);

        verticalSpacer = new QSpacerItem(10, 50, QSizePolicy::Minimum, QSizePolicy::Expanding);
        gridLayout->addItem(verticalSpacer, 2, 0, 1, 1);

        retranslateUi(root);
    }

    void retranslateUi(QWidget* root)
    {
        root->setWindowTitle(QCoreApplication::translate("main_prefs_form", "Form"));
        label->setText(QCoreApplication::translate("main_prefs_form", "Language"));
        label_2->setText(QCoreApplication::translate("main_prefs_form", "Graphic Colors"));
    }
};

main_prefs_form::main_prefs_form(QWidget* parent)
    : preferences_widget(parent, tr("Application"), Qt::WindowFlags()), ui_(new form), filling_(false)
{
    set_icon(QIcon(QStringLiteral("icons:configure.png")));
    set_header(tr("Application settings"));
    ui_->setupUi(this);

    connect(ui_->language_box, SIGNAL(currentIndexChanged(int)), this, SLOT(int_changed()));
    connect(ui_->colors_box, SIGNAL(currentIndexChanged(int)), this, SLOT(color_changed(int)));
}

main_prefs_form::~main_prefs_form()
{
    delete ui_;
}

QIcon main_prefs_form::swatch(const QColor& color) const
{
    QPixmap pixmap(ui_->colors_box->iconSize());
    pixmap.fill(color);
    return QIcon(pixmap);
}

void main_prefs_form::int_changed()
{
    if (!filling_)
        emit changed();
}

void main_prefs_form::update_preferences()
{
    filling_guard filling(filling_);

    const QString stored = settings().country();

    ui_->language_box->clear();
    ui_->language_box->addItem(QStringLiteral("English"), QStringLiteral("en"));
    const QStringList paths = trans_path();
    for (const auto& country : find_countries(paths)) {
        // A language is offered only when our own translation names it.
        const std::shared_ptr<QTranslator> translator = local_translator(country.second, paths);
        const QByteArray name = country.first.toLocal8Bit();
        if (!translator->translate("language", name.constData()).isEmpty())
            ui_->language_box->addItem(country.first, country.second);
    }
    ui_->language_box->setCurrentIndex(ui_->language_box->findData(stored));

    ui_->colors_box->clear();
    int number = 0;
    for (const QColor& color : settings().colors())
        ui_->colors_box->addItem(swatch(color), tr("Color %1").arg(number++), color);
}

void main_prefs_form::accept()
{
    const int index = ui_->language_box->currentIndex();
    const QString code = index < 0 ? QString() : ui_->language_box->itemData(index).toString();
    if (code != settings().country())
        QMessageBox::information(this, tr("Language preferences"), tr("Selected language will be applied after restart"),
                                 QMessageBox::Ok);
    settings().set_country(code);

    std::vector<QColor> colors;
    for (int i = 0; i < ui_->colors_box->count(); ++i)
        colors.push_back(ui_->colors_box->itemData(i).value<QColor>());
    settings().set_colors(colors);
}

void main_prefs_form::reject()
{
    update_preferences();
}

void main_prefs_form::reset_defaults()
{
    settings().set_country(QString());
    update_preferences();
}

void main_prefs_form::color_changed(int index)
{
    if (filling_ || index < 0)
        return;

    const QColor current = ui_->colors_box->itemData(index).value<QColor>();
    QPointer<main_prefs_form> self(this);
    const QColor chosen = QColorDialog::getColor(current, this, tr("Select color for graphic %1").arg(index));
    // The dialog ran an event loop of its own.
    if (!self || index >= ui_->colors_box->count())
        return;
    if (!chosen.isValid() || chosen == current)
        return;

    ui_->colors_box->setItemIcon(index, swatch(chosen));
    ui_->colors_box->setItemData(index, chosen);
    if (!filling_)
        emit changed();
}
