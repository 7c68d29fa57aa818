#include "gui/factory.h"

#include "gui/combobox.h"
#include "gui/floatbox.h"
#include "gui/lineedit/lineedit.h"
#include "gui/pushbutton.h"
#include "gui/spinbox.h"

#include "modal_answerer.h"
#include "controls.h"
#include "emulation.h"
#include "test_main.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QTranslator>
#include <QVBoxLayout>

using namespace test_support;

namespace {

// The controls of a panel, by kind as the profile tables count them.
struct census {
    int spin_ro = 0, spin_rw = 0, label = 0, combo_rw = 0, combo_ro = 0, button = 0, string_ro = 0,
        string_rw = 0, fbox = 0, placeholder = 0, watching = 0;

    census& operator+=(const census& o)
    {
        spin_ro += o.spin_ro;
        spin_rw += o.spin_rw;
        label += o.label;
        combo_rw += o.combo_rw;
        combo_ro += o.combo_ro;
        button += o.button;
        string_ro += o.string_ro;
        string_rw += o.string_rw;
        fbox += o.fbox;
        placeholder += o.placeholder;
        watching += o.watching;
        return *this;
    }
};

census take_census(QWidget* panel)
{
    census c;
    QLayout* layout = panel->layout();
    for (int i = 0; i < layout->count(); ++i) {
        QWidget* w = layout->itemAt(i)->widget();
        if (!w)
            continue;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            ++(l->text() == "ivalid element" ? c.placeholder : c.label);
        } else if (auto* s = w->findChild<spinbox*>()) {
            ++(s->isReadOnly() ? c.spin_ro : c.spin_rw);
            ++c.watching;
        } else if (auto* d = w->findChild<doublespinbox*>()) {
            ++(d->isReadOnly() ? c.spin_ro : c.spin_rw);
            ++c.watching;
        } else if (auto* b = w->findChild<combobox*>()) {
            ++(b->item().dir == profiles::ro ? c.combo_ro : c.combo_rw);
            ++c.watching;
        } else if (w->findChild<pushbutton*>()) {
            ++c.button;
        } else if (auto* t = w->findChild<lineedit*>()) {
            ++(t->isReadOnly() ? c.string_ro : c.string_rw);
            ++c.watching;
        } else if (w->findChild<floatbox*>()) {
            ++c.fbox;
            ++c.watching;
        }
    }
    return c;
}

std::unique_ptr<QWidget> panel_of(const std::vector<profiles::item>& items, std::shared_ptr<device> dev)
{
    auto panel = std::make_unique<QWidget>();
    QWidget* returned = create_panel(panel.get(), items, std::move(dev));
    if (returned != panel.get())
        qFatal("create_panel returned another widget");
    return panel;
}

QWidget* row(QWidget* panel, int i)
{
    return panel->layout()->itemAt(i)->widget();
}

// Tags every text with its translation context.
class tagging_translator : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        return QString::fromLatin1(context) + "|" + QString::fromUtf8(source);
    }
};

void save_picture(QWidget* panel, const QString& name)
{
    panel->adjustSize();
    panel->show();
    QCoreApplication::processEvents();
    const QPixmap picture = panel->grab();
    QVERIFY(!picture.isNull());
    QVERIFY(picture.width() > 100 && picture.height() > 100);
    const QString path = QDir(VELMORA_TEST_OUTPUT_DIR).filePath(name);
    QVERIFY2(picture.save(path), qPrintable(path));
}

} // namespace

class tst_factory : public QObject {
    Q_OBJECT

    recording_backend* backend_ = nullptr;
    std::shared_ptr<device> dev_;

    int writes() const { return int(backend_->written.size()); }

private slots:
    void init() { dev_ = make_device(backend_); }
    void cleanup() { dev_.reset(); }

    void builtin_profiles_build_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QVector<int>>("expected"); // spin ro/rw, label, combo rw/ro, button, string ro/rw
        QTest::newRow("6469") << 6469 << QVector<int>{37, 36, 30, 18, 3, 14, 2, 3};
        QTest::newRow("6758") << 6758 << QVector<int>{14, 4, 12, 7, 0, 4, 2, 0};
        QTest::newRow("6760") << 6760 << QVector<int>{13, 4, 12, 7, 0, 4, 2, 0};
    }

    // As the main window does it: a full read, the static panel, then one
    // page after the other, each filled by a fast update.
    void builtin_profiles_build()
    {
        QFETCH(int, id);
        QFETCH(QVector<int>, expected);
        const profiles::profile& p = profiles::get_profile(static_cast<unsigned short>(id));
        dev_->set_profile(p);
        std::vector<profiles::item> all = p.static_map;
        for (const auto& page : p.pages)
            all.insert(all.end(), page.second.begin(), page.second.end());
        dev_->optimized_read(all, false);

        test_support::modal_answerer answerer;
        auto statics = panel_of(p.static_map, dev_);
        dev_->update_profile(true);
        census total = take_census(statics.get());
        QCOMPARE(statics->layout()->count(), int(p.static_map.size()) + 1);
        QCOMPARE(int(dev_->watch_list().size()), total.watching);
        const std::size_t static_watch = dev_->watch_list().size();

        for (const auto& page : p.pages) {
            auto panel = panel_of(page.second, dev_);
            dev_->update_profile(true);
            dev_->update_profile(false);
            const census c = take_census(panel.get());
            QCOMPARE(panel->layout()->count(), int(page.second.size()) + 1);
            QCOMPARE(int(dev_->watch_list().size()), int(static_watch) + c.watching);
            total += c;
        }
        QCOMPARE(dev_->watch_list().size(), static_watch);
        statics.reset();
        QVERIFY(dev_->watch_list().empty());

        QCoreApplication::processEvents();
        QCOMPARE(answerer.count(), 0);
        QCOMPARE(total.placeholder, 0);
        QCOMPARE(total.fbox, 0);
        const QVector<int> got{total.spin_ro, total.spin_rw,  total.label,     total.combo_rw,
                               total.combo_ro, total.button, total.string_ro, total.string_rw};
        QCOMPARE(got, expected);
        QCOMPARE(writes(), 0);
    }

    void failed_elements_keep_their_rows()
    {
        profiles::item heading = blank_item(profiles::no_addr, profiles::label, 0, profiles::ro);
        heading.name = "Heading";
        profiles::item unknown = blank_item(0x20, static_cast<profiles::item_gui>(6), 1);
        profiles::item three = blank_item(0x21, profiles::spin, 3);
        profiles::item good = blank_item(0x30, profiles::spin, 1);
        good.name = "Good";
        profiles::item wide_fbox = blank_item(0x31, profiles::fbox, 3);
        profiles::item no_text = blank_item(0x40, profiles::string, 0);
        profiles::item fbox = blank_item(0x41, profiles::fbox, 2);

        test_support::modal_answerer answerer;
        auto panel = panel_of({heading, unknown, three, good, wide_fbox, no_text, fbox}, dev_);
        QCOMPARE(answerer.count(), 4);
        const QString form("Error:\n  %1\nprofile: 'static profile 0'\n  item: '%2'\n  element: '%3'");
        QCOMPARE(answerer.boxes()[0].title, QString("Can't create element"));
        QCOMPARE(answerer.boxes()[0].icon, QMessageBox::Critical);
        QCOMPARE(answerer.boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(answerer.boxes()[0].text, form.arg("can't create unregistered gui element", "32", "6"));
        QCOMPARE(answerer.boxes()[1].text, form.arg("can't extract value from item", "33", "1"));
        QCOMPARE(answerer.boxes()[2].text, form.arg("invalid item data length", "49", "2"));
        QVERIFY(answerer.boxes()[3].text.endsWith("item: '64'\n  element: '5'"));

        QCOMPARE(panel->layout()->count(), 8);
        for (int i : {1, 2, 4, 5}) {
            auto* placeholder = qobject_cast<QLabel*>(row(panel.get(), i));
            QVERIFY(placeholder);
            QCOMPARE(placeholder->text(), QString("ivalid element"));
            QCOMPARE(placeholder->alignment(), Qt::Alignment(Qt::AlignHCenter));
        }
        QCOMPARE(qobject_cast<QLabel*>(row(panel.get(), 0))->text(), QString("Heading"));
        QVERIFY(row(panel.get(), 3)->findChild<spinbox*>());
        QVERIFY(row(panel.get(), 6)->findChild<floatbox*>());
        // Only the controls that were built watch.
        QCOMPARE(dev_->watch_list().size(), std::size_t(2));
        panel.reset();
        QVERIFY(dev_->watch_list().empty());
    }

    void empty_panel()
    {
        auto panel = panel_of({}, dev_);
        auto* layout = qobject_cast<QVBoxLayout*>(panel->layout());
        QVERIFY(layout);
        QCOMPARE(layout->count(), 1);
        QVERIFY(layout->itemAt(0)->spacerItem());
        QCOMPARE(layout->spacing(), 5);
    }

    void labels_and_frames()
    {
        profiles::item heading = blank_item(profiles::no_addr, profiles::label, 0, profiles::ro);
        heading.name = "Motor Monitoring";
        profiles::item text = blank_item(0x50, profiles::string, 4);
        text.name = "Driver ID";
        auto panel = panel_of({heading, text}, dev_);

        auto* label = qobject_cast<QLabel*>(row(panel.get(), 0));
        QVERIFY(label);
        QCOMPARE(label->text(), QString("Motor Monitoring"));
        QCOMPARE(label->font().weight(), 75);
        QCOMPARE(label->alignment(), Qt::Alignment(Qt::AlignHCenter));

        QWidget* frame = row(panel.get(), 1);
        auto* hbox = qobject_cast<QHBoxLayout*>(frame->layout());
        QVERIFY(hbox);
        QCOMPARE(hbox->spacing(), 5);
        QCOMPARE(hbox->contentsMargins(), QMargins(0, 0, 0, 0));
        QCOMPARE(qobject_cast<QLabel*>(hbox->itemAt(0)->widget())->text(), QString("Driver ID:"));
        QVERIFY(qobject_cast<lineedit*>(hbox->itemAt(1)->widget()));
    }

    void spin_decimals_follow_the_scale()
    {
        struct row_t {
            float scale;
            int decimals; // 0: integer spin box
        };
        const std::vector<row_t> rows{{10, 0},    {1, 0},     {0.5f, 0}, {0.25f, 1}, {0.1f, 1},
                                      {0.01f, 2}, {0.001f, 3}, {0, 0},   {-0.1f, 0}};
        std::vector<profiles::item> items;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            profiles::item it = blank_item(static_cast<unsigned short>(0x60 + i), profiles::spin, 1);
            it.scale = rows[i].scale;
            items.push_back(it);
        }
        auto panel = panel_of(items, dev_);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            QWidget* frame = row(panel.get(), int(i));
            auto* d = frame->findChild<doublespinbox*>();
            auto* s = frame->findChild<spinbox*>();
            if (rows[i].decimals == 0) {
                QVERIFY2(s && !d, qPrintable(QString::number(rows[i].scale)));
                QCOMPARE(s->buttonSymbols(), QAbstractSpinBox::NoButtons);
            } else {
                QVERIFY2(d && !s, qPrintable(QString::number(rows[i].scale)));
                QCOMPARE(d->decimals(), rows[i].decimals);
                QCOMPARE(d->singleStep(), double(rows[i].scale));
                QCOMPARE(d->buttonSymbols(), QAbstractSpinBox::NoButtons);
            }
        }
    }

    void shared_register_stays_polled()
    {
        // The same register on the static panel and on a page; the page is
        // left (its panel destroyed) and the static panel's box must go on
        // showing what the driver holds.
        const profiles::item shared = blank_item(0x120, profiles::spin, 1);
        auto fixed = panel_of({shared}, dev_);
        auto page = panel_of({shared, blank_item(0x121, profiles::spin, 1)}, dev_);
        auto* box = fixed->findChild<spinbox*>();
        QVERIFY(box);
        device_sets(*dev_, 0x120, {11});
        QCOMPARE(box->value(), 11);

        page.reset();
        device_sets(*dev_, 0x120, {12});
        QCOMPARE(box->value(), 12);
        QCOMPARE(dev_->watch_list().size(), std::size_t(1));

        fixed.reset();
        QVERIFY(dev_->watch_list().empty());
    }

    void spin_boxes_are_connected()
    {
        profiles::item whole = blank_item(0x70, profiles::spin, 1);
        profiles::item tenths = blank_item(0x71, profiles::spin, 1);
        tenths.scale = 0.1f;
        auto panel = panel_of({whole, tenths}, dev_);
        auto* s = row(panel.get(), 0)->findChild<spinbox*>();
        auto* d = row(panel.get(), 1)->findChild<doublespinbox*>();
        s->setValue(42);
        emit s->editingFinished();
        d->setValue(1.5);
        emit d->editingFinished();
        QCOMPARE(vmem()[0x70], 42);
        QCOMPARE(vmem()[0x71], 15);
        QCOMPARE(writes(), 2);
    }

    void button_captions()
    {
        profiles::item plain = blank_item(profiles::profile::command_address, profiles::button, 1, profiles::wo);
        plain.name = "Reset Alarm";
        profiles::item captioned = plain;
        captioned.value = profiles::val_u16(5);
        captioned.map = profiles::btn_txt("Save");
        auto panel = panel_of({plain, captioned}, dev_);
        auto* first = row(panel.get(), 0)->findChild<pushbutton*>();
        auto* second = row(panel.get(), 1)->findChild<pushbutton*>();
        QCOMPARE(first->text(), QString("Reset Alarm"));
        QCOMPARE(second->text(), QString("Save"));
        QCOMPARE(row(panel.get(), 1)->findChild<QLabel*>()->text(), QString("Reset Alarm:"));
        QVERIFY(dev_->watch_list().empty());

        second->click();
        QCOMPARE(vmem()[profiles::profile::command_address], 5);
        QCOMPARE(writes(), 1);
    }

    void texts_use_their_contexts()
    {
        tagging_translator translator;
        QCoreApplication::installTranslator(&translator);
        profiles::item heading = blank_item(profiles::no_addr, profiles::label, 0, profiles::ro);
        heading.name = "Heading";
        profiles::item button = blank_item(profiles::profile::command_address, profiles::button, 1, profiles::wo);
        button.name = "Save Parameters";
        button.map = profiles::btn_txt("Save");
        profiles::item unknown = blank_item(0x20, static_cast<profiles::item_gui>(7), 1);

        test_support::modal_answerer answerer;
        auto panel = panel_of({heading, button, unknown}, dev_);
        QCoreApplication::removeTranslator(&translator);

        QCOMPARE(qobject_cast<QLabel*>(row(panel.get(), 0))->text(), QString("profile|Heading"));
        QCOMPARE(row(panel.get(), 1)->findChild<QLabel*>()->text(), QString("profile|Save Parameters:"));
        QCOMPARE(row(panel.get(), 1)->findChild<pushbutton*>()->text(), QString("profiles|Save"));
        QCOMPARE(qobject_cast<QLabel*>(row(panel.get(), 2))->text(), QString("ivalid element"));
        QCOMPARE(answerer.count(), 1);
        QCOMPARE(answerer.boxes()[0].title, QString("QWidget|Can't create element"));
        QVERIFY(answerer.boxes()[0].text.startsWith("QWidget|Error:\n  can't create unregistered gui element\n"));
    }

    void latin1_names()
    {
        profiles::item heading = blank_item(profiles::no_addr, profiles::label, 0, profiles::ro);
        heading.name = "Temp. \xb0" "C";
        auto panel = panel_of({heading}, dev_);
        QCOMPARE(qobject_cast<QLabel*>(row(panel.get(), 0))->text(), QString::fromUtf8("Temp. \xc2\xb0" "C"));
    }

    void picture_of_6469()
    {
        const profiles::profile& p = profiles::get_profile(6469);
        dev_->set_profile(p);
        const char type[] = "VLM-6469 servo drive";
        for (unsigned i = 0; i < sizeof type - 1; i += 2)
            put_text_word(0x00C5 + i / 2, type[i], type[i + 1]);
        test_support::modal_answerer answerer;
        auto statics = panel_of(p.static_map, dev_);
        auto first = panel_of(p.pages.front().second, dev_);
        dev_->update_profile(false);
        save_picture(statics.get(), "panel_6469_static.png");
        save_picture(first.get(), "panel_6469_page1.png");
        QCOMPARE(answerer.count(), 0);
    }

private:
    static void put_text_word(unsigned address, char low, char high)
    {
        vmem()[static_cast<unsigned short>(address)] =
            static_cast<unsigned short>(static_cast<unsigned char>(low) | static_cast<unsigned char>(high) << 8);
    }
};

VELMORA_TEST_MAIN(tst_factory)
#include "tst_factory.moc"
