<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>QObject</name>
    <message>
        <source>Set error</source>
        <translation>Ошибка записи</translation>
    </message>
    <message>
        <source>Unable to set data.</source>
        <translation>Не удалось записать данные.</translation>
    </message>
    <message>
        <source>there is no profile with such id</source>
        <translation>нет профиля с таким идентификатором</translation>
    </message>
    <message>
        <source>Can&apos;t connect with %1 attempts</source>
        <translation>Невозможно подключиться за %1 попыток</translation>
    </message>
    <message>
        <source>Unsupported device type</source>
        <translation>Неподдерживаемый тип устройства</translation>
    </message>
    <message>
        <source>Can&apos;t connect to modbus: </source>
        <translation>Не удалось подключиться к modbus: </translation>
    </message>
    <message>
        <source>Connection failed: </source>
        <translation>Ошибка подключения: </translation>
    </message>
    <message>
        <source>Unknown read error: </source>
        <translation>Неизвестная ошибка чтения: </translation>
    </message>
    <message>
        <source>Unknown write error: </source>
        <translation>Неизвестная ошибка записи: </translation>
    </message>
    <message>
        <source>Error in line %1 : %3</source>
        <translation>Ошибка в строке %1 : %3</translation>
    </message>
</context>
<context>
    <name>QWidget</name>
    <message>
        <source>Can&apos;t create element</source>
        <translation>Не удалось создать элемент</translation>
    </message>
    <message>
        <source>Error:
  %1
profile: &apos;%2&apos;
  item: &apos;%3&apos;
  element: &apos;%4&apos;</source>
        <translation>Ошибка:
  %1
профиль: &apos;%2&apos;
  параметр: &apos;%3&apos;
  элемент: &apos;%4&apos;</translation>
    </message>
</context>
<context>
    <name>QwtPlot</name>
    <message>
        <source>To Zoom in, press Ctrl + Left Click and Select
To Zoom out, press Ctrl + Right Click
To move the Graph, press Shift + Left Click and Drag
</source>
        <translation>Увеличить: Ctrl + левая кнопка, выделите область
Уменьшить: Ctrl + правая кнопка
Сдвинуть график: Shift + левая кнопка, перетащите
</translation>
    </message>
    <message>
        <source>x = %1</source>
        <translation>x = %1</translation>
    </message>
    <message>
        <source>y = %1</source>
        <translation>y = %1</translation>
    </message>
</context>
<context>
    <name>combobox</name>
    <message>
        <source>invalid value readed from device</source>
        <translation>от устройства получено недопустимое значение</translation>
    </message>
</context>
<context>
    <name>floatbox</name>
    <message>
        <source>Invalid float value: %1</source>
        <translation>Недопустимое число: %1</translation>
    </message>
</context>
<context>
    <name>main_window</name>
    <message>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>График</translation>
    </message>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>About Qt</source>
        <translation>О Qt</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Подключить</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Журнал</translation>
    </message>
    <message>
        <source>Tarnwick Solvery Control</source>
        <translation>Управление Tarnwick Solvery</translation>
    </message>
</context>
<context>
    <name>preferences_dialog</name>
    <message>
        <source>Restore to defaults</source>
        <translation>Восстановить значения по умолчанию</translation>
    </message>
    <message>
        <source>Continue to restore defaults settings?</source>
        <translation>Восстановить настройки по умолчанию?</translation>
    </message>
    <message>
        <source>Apply settings</source>
        <translation>Применить настройки</translation>
    </message>
    <message>
        <source>Current page has unsaved changes.
Apply this changes?</source>
        <translation>На текущей странице есть несохранённые изменения.
Применить их?</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Неизвестная ошибка</translation>
    </message>
</context>
<context>
    <name>preferences_dialog_form</name>
    <message>
        <source>Dialog</source>
        <translation>Диалог</translation>
    </message>
</context>
<context>
    <name>about</name>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>About Tarnwick Solvery GUI</source>
        <translation>О программе Tarnwick Solvery GUI</translation>
    </message>
</context>
<context>
    <name>device_prefs_form</name>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Устройство</translation>
    </message>
    <message>
        <source>Device settings</source>
        <translation>Настройки устройства</translation>
    </message>
    <message>
        <source>Busy [S]:</source>
        <translation>Занято [с]:</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Порт</translation>
    </message>
    <message>
        <source>Update [S]:</source>
        <translation>Обновление [с]:</translation>
    </message>
    <message>
        <source>PID:</source>
        <translation>PID:</translation>
    </message>
    <message>
        <source>VID:</source>
        <translation>VID:</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Проверить</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>Device finded</source>
        <translation>Устройство найдено</translation>
    </message>
    <message>
        <source>Found device with HW: %1; FW: %2; Profile: %3</source>
        <translation>Найдено устройство HW: %1; FW: %2; профиль: %3</translation>
    </message>
    <message>
        <source>Error when opening device</source>
        <translation>Ошибка при открытии устройства</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Ошибка: %1</translation>
    </message>
</context>
<context>
    <name>language</name>
    <message>
        <source>Russian</source>
        <translation>Русский</translation>
    </message>
</context>
<context>
    <name>main_prefs_form</name>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Язык</translation>
    </message>
    <message>
        <source>Graphic Colors</source>
        <translation>Цвета графиков</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Приложение</translation>
    </message>
    <message>
        <source>Application settings</source>
        <translation>Настройки приложения</translation>
    </message>
    <message>
        <source>Color %1</source>
        <translation>Цвет %1</translation>
    </message>
    <message>
        <source>Language preferences</source>
        <translation>Настройки языка</translation>
    </message>
    <message>
        <source>Selected language will be applied after restart</source>
        <translation>Выбранный язык будет применён после перезапуска</translation>
    </message>
    <message>
        <source>Select color for graphic %1</source>
        <translation>Выберите цвет графика %1</translation>
    </message>
</context>
</TS>
