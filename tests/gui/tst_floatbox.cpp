#include "gui/floatbox.h"
#include "gui/factory.h"

#include "modal_answerer.h"
#include "controls.h"
#include "emulation.h"
#include "test_main.h"

#include <QApplication>
#include <QClipboard>

using namespace test_support;

Q_DECLARE_METATYPE(test_support::words)

namespace {

const unsigned short addr = 0x40;

// The whole text at once, as a paste would put it.
void enter(QLineEdit& w, const QString& text)
{
    w.selectAll();
    w.insert(text);
    QTest::keyClick(&w, Qt::Key_Return);
}

} // namespace

class tst_floatbox : public QObject {
    Q_OBJECT

    recording_backend* backend_ = nullptr;
    std::shared_ptr<device> dev_;

    int writes() const { return int(backend_->written.size()); }

    control_host host_;

    floatbox* make(unsigned length, profiles::item_dir dir = profiles::rw)
    {
        return host_.show(control_in<floatbox>(create_fbox(blank_item(addr, profiles::fbox, length, dir), dev_)));
    }

private slots:
    void init() { dev_ = make_device(backend_); }
    void cleanup()
    {
        host_.reset();
        dev_.reset();
    }

    void writes_worked_values_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<words>("expected");
        QTest::newRow("1.5") << "1.5" << words{0x3A98, 0xFFFC};
        QTest::newRow("100000") << "100000" << words{0x2710, 0x0001};
        QTest::newRow("-2.5") << "-2.5" << words{0x9E58, 0xFFFC};
        QTest::newRow("12345.678") << "12345.678" << words{0x3039, 0};
        QTest::newRow("30001") << "30001" << words{0x0BB8, 0x0001};
        QTest::newRow("299.99") << "299.99" << words{0x752F, 0xFFFE};
        QTest::newRow("0.00000001") << "0.00000001" << words{0, 0};
        QTest::newRow("3.4e38") << "3.4e38" << words{0x0D48, 0x0023};
    }

    void writes_worked_values()
    {
        QFETCH(QString, text);
        QFETCH(words, expected);
        set_words(addr, {0x1111, 0x2222});
        auto fb = make(2);
        enter(*fb, text);
        QCOMPARE(words_at(addr, 2), expected);
        QCOMPARE(writes(), 1);
        QCOMPARE(fb->item().value.data, expected);
        // Kept as typed; the device reports what was just written, so no
        // reformatting either.
        QCOMPARE(fb->text(), text);
        dev_->update_profile();
        QCOMPARE(fb->text(), text);
    }

    void reads_device_values_data()
    {
        QTest::addColumn<unsigned>("length");
        QTest::addColumn<words>("image");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1.5") << 2u << words{0x3A98, 0xFFFC} << "1.5";
        QTest::newRow("100000") << 2u << words{0x2710, 0x0001} << "100000";
        QTest::newRow("-2.5") << 2u << words{0x9E58, 0xFFFC} << "-2.5";
        QTest::newRow("12345") << 2u << words{0x3039, 0} << "12345";
        QTest::newRow("30000") << 2u << words{0x0BB8, 0x0001} << "30000";
        QTest::newRow("299.99") << 2u << words{0x752F, 0xFFFE} << "299.99";
        QTest::newRow("zero") << 2u << words{0, 0} << "0";
        QTest::newRow("3.4e+38") << 2u << words{0x0D48, 0x0023} << "3.4e+38";
        QTest::newRow("beyond float") << 2u << words{0x7FFF, 0x7FFF} << "inf";
        QTest::newRow("one register 65535") << 1u << words{0xFFFF} << "65535";
        QTest::newRow("one register 0") << 1u << words{0} << "0";
    }

    void reads_device_values()
    {
        QFETCH(unsigned, length);
        QFETCH(words, image);
        QFETCH(QString, expected);
        auto fb = make(length);
        // Words equal to those the item was built with show nothing new.
        dev_->update_profile();
        QCOMPARE(fb->text(), QString("0.0"));
        set_words(addr, {0x0007, 0x0001});
        dev_->update_profile();
        QVERIFY(fb->text() != "0.0");
        set_words(addr, image);
        dev_->update_profile();
        QCOMPARE(fb->text(), expected);
        QCOMPARE(writes(), 0);
    }

    void validator_refuses_incomplete_and_non_finite()
    {
        float_validator v;
        int pos = 0;
        for (QString s : {"-", "1e", "inf", "-inf", "nan", "NaN", "1e39", "abc", "1,5"})
            QVERIFY2(v.validate(s, pos) == QValidator::Invalid, qPrintable(s));
        QString empty;
        QCOMPARE(v.validate(empty, pos), QValidator::Intermediate);
        for (QString s : {"0", "-2.5", "1e3", "3.4e38", "1."})
            QVERIFY2(v.validate(s, pos) == QValidator::Acceptable, qPrintable(s));
        QString fixed;
        v.fixup(fixed);
        QCOMPARE(fixed, QString("0"));
        fixed = "123456789";
        v.fixup(fixed);
        QCOMPARE(fixed, QString("1.23457e+08"));

        // In the field: keystrokes and pastes that would give such a text
        // are refused.
        auto fb = make(2);
        fb->clear();
        QTest::keyClicks(fb, "-");
        QCOMPARE(fb->text(), QString());
        QTest::keyClicks(fb, "1e5");
        QCOMPARE(fb->text(), QString("15"));
        fb->clear();
        for (const char* pasted : {"inf", "nan"}) {
            QApplication::clipboard()->setText(pasted);
            fb->paste();
            QCOMPARE(fb->text(), QString());
        }
        // "3.438" with an e put in afterwards is a whole number again.
        QTest::keyClicks(fb, "3.438");
        QTest::keyClick(fb, Qt::Key_Left);
        QTest::keyClick(fb, Qt::Key_Left);
        QTest::keyClicks(fb, "e");
        QCOMPARE(fb->text(), QString("3.4e38"));
        QTest::keyClick(fb, Qt::Key_Return);
        QCOMPARE(words_at(addr, 2), (words{0x0D48, 0x0023}));
    }

    void clearing_and_return_writes_zero()
    {
        for (unsigned length : {1u, 2u}) {
            set_words(addr, {0x3A98, 0xFFFC});
            auto fb = make(length);
            dev_->update_profile();
            QVERIFY(fb->text() != "0.0");
            backend_->written.clear();
            fb->selectAll();
            QTest::keyClick(fb, Qt::Key_Backspace);
            QCOMPARE(fb->text(), QString());
            QCOMPARE(fb->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::yellow));
            QTest::keyClick(fb, Qt::Key_Return);
            QCOMPARE(writes(), 1);
            QCOMPARE(words_at(addr, length), words(length, 0));
            QCOMPARE(fb->text(), QString("0"));
            QVERIFY(fb->palette().color(QPalette::Active, QPalette::Base) != QColor(Qt::yellow));
        }
    }

    void every_finish_writes()
    {
        auto fb = make(2);
        enter(*fb, "1.5");
        enter(*fb, "1.5");
        QCOMPARE(writes(), 2);
        // Return and then the focus leaving: one edit, one write.
        QTest::keyClicks(fb, "0");
        QTest::keyClick(fb, Qt::Key_Return);
        QCOMPARE(writes(), 3);
        fb->clearFocus();
        QCOMPARE(writes(), 3);
        QCOMPARE(fb->text(), QString("1.50"));
        QCOMPARE(words_at(addr, 2), (words{0x3A98, 0xFFFC}));
    }

    void one_register_values()
    {
        auto fb = make(1);
        enter(*fb, "-1");
        QCOMPARE(words_at(addr, 1), words{0xFFFF});
        enter(*fb, "2.9");
        QCOMPARE(words_at(addr, 1), words{2});
        QCOMPARE(fb->text(), QString("2.9"));
        enter(*fb, "65535");
        QCOMPARE(words_at(addr, 1), words{0xFFFF});
        enter(*fb, "-32768");
        QCOMPARE(words_at(addr, 1), words{0x8000});
        QCOMPARE(writes(), 4);

        // What one register can't hold is refused, not cut to another number.
        test_support::modal_answerer answerer;
        for (const char* text : {"70000", "65536", "-32769", "1e10"}) {
            enter(*fb, text);
            QCOMPARE(fb->text(), QString("-32768"));
            QCOMPARE(words_at(addr, 1), words{0x8000});
        }
        QCOMPARE(writes(), 4);
        QVERIFY(answerer.wait_for(4));
        for (const auto& box : answerer.boxes()) {
            QCOMPARE(box.title, QString("Set error"));
            QCOMPARE(box.text, QString("Unable to set data."));
        }
    }

    void non_finite_text_is_a_set_error()
    {
        // Only a program can put such a text in; finishing must not hang.
        test_support::modal_answerer answerer;
        auto fb = make(2);
        enter(*fb, "1.5");
        for (const char* text : {"inf", "-inf", "nan"}) {
            fb->setText(text);
            fb->text_changed(text);
            fb->finished();
            QCOMPARE(fb->text(), QString("1.5"));
        }
        QCOMPARE(writes(), 1);
        QVERIFY(answerer.wait_for(3));
        QCOMPARE(answerer.boxes().back().title, QString("Set error"));
    }

    void escape_and_failed_write_put_back_the_last_text()
    {
        test_support::modal_answerer answerer;
        auto fb = make(2);
        const QColor normal = fb->palette().color(QPalette::Active, QPalette::Base);
        set_words(addr, {0x3A98, 0xFFFC});
        dev_->update_profile();
        QCOMPARE(fb->text(), QString("1.5"));

        fb->selectAll();
        QTest::keyClicks(fb, "7");
        // A device value during the edit is not shown.
        set_words(addr, {0x9E58, 0xFFFC});
        dev_->update_profile();
        QCOMPARE(fb->text(), QString("7"));
        QTest::keyClick(fb, Qt::Key_Escape);
        QCOMPARE(fb->text(), QString("1.5"));
        QCOMPARE(fb->palette().color(QPalette::Active, QPalette::Base), normal);
        QCOMPARE(writes(), 0);
        QCOMPARE(fb->item().value.data, (words{0x9E58, 0xFFFC}));

        backend_->fail_writes = true;
        enter(*fb, "8");
        QCOMPARE(fb->text(), QString("1.5"));
        QCOMPARE(fb->palette().color(QPalette::Active, QPalette::Base), normal);
        QCOMPARE(fb->item().value.data, (words{0x9E58, 0xFFFC}));
        QCOMPARE(answerer.count(), 0); // not inside the slot
        QVERIFY(answerer.wait_for(1));
        QCOMPARE(answerer.boxes()[0].title, QString("Set error"));
        QCOMPARE(answerer.boxes()[0].text, QString("Unable to set data."));
        QCOMPARE(answerer.boxes()[0].icon, QMessageBox::Critical);
    }

    void read_only_field_follows_the_device()
    {
        auto fb = make(2, profiles::ro);
        QVERIFY(fb->isReadOnly());
        const QPalette p = fb->palette();
        QVERIFY(same_colour_everywhere(p, QPalette::Base, p.color(QPalette::Disabled, QPalette::Base)));
        set_words(addr, {0x3A98, 0xFFFC});
        dev_->update_profile();
        QCOMPARE(fb->text(), QString("1.5"));
        QTest::keyClicks(fb, "9");
        QTest::keyClick(fb, Qt::Key_Return);
        QCOMPARE(fb->text(), QString("1.5"));
        QCOMPARE(writes(), 0);
    }

    void refuses_unsupported_register_counts()
    {
        for (unsigned length : {0u, 3u}) {
            bool refused = false;
            try {
                floatbox fb(blank_item(addr, profiles::fbox, length), dev_);
            } catch (const std::runtime_error& e) {
                refused = true;
                QCOMPARE(QString(e.what()), QString("invalid item data length"));
            }
            QVERIFY(refused);
            QVERIFY(dev_->watch_list().empty());
        }
        {
            floatbox fb(blank_item(addr, profiles::fbox, 2), dev_);
            QCOMPARE(dev_->watch_list().size(), std::size_t(1));
        }
        QVERIFY(dev_->watch_list().empty());
    }
};

VELMORA_TEST_MAIN(tst_floatbox)
#include "tst_floatbox.moc"
