<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>mirca::TAboutBox</name>
    <message>
        <location filename="../app/aboutbox.cpp" line="80"/>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <location filename="../app/aboutbox.cpp" line="81"/>
        <source>Версия:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <location filename="../app/aboutbox.cpp" line="82"/>
        <source>Vorn</source>
        <translation>Vorn</translation>
    </message>
    <message>
        <location filename="../app/aboutbox.cpp" line="83"/>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>mirca::TAppSettingsForm</name>
    <message>
        <location filename="../app/appsettingsform.cpp" line="181"/>
        <source>Настройки программы</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="183"/>
        <source>Система</source>
        <translation>System</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="184"/>
        <source>Папки программ</source>
        <translation>Program folders</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="182"/>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="185"/>
        <source>Выберите язык</source>
        <translation>Select language</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="186"/>
        <source>Автоматически показывать список доступных файлов ПО</source>
        <translation>Show the list of available firmware files automatically</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="187"/>
        <source>Режим работы по умолчанию:</source>
        <translation>Default working mode:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="188"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="189"/>
        <source>Онлайн</source>
        <translation>Online</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="190"/>
        <source>Система, загружаемая по умолчанию в демо-режиме:</source>
        <translation>System loaded by default in demo mode:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="191"/>
        <source>Расположение файлов ПО:</source>
        <translation>Firmware files folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="192"/>
        <source>Расположение файлов конфигурации:</source>
        <translation>Configuration files folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="193"/>
        <source>Расположение резервных копий регистрации:</source>
        <translation>Registration backups folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="194"/>
        <source>Расположение отчётов журнала событий:</source>
        <translation>Event log reports folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="195"/>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="196"/>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>mirca::TNotifTypeForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="79"/>
        <source>Типы извещений</source>
        <translation>Notification types</translation>
    </message>
</context>
<context>
    <name>mirca::TPendingWindow</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="27"/>
        <source>Это окно появится в следующей версии программы.</source>
        <translation>This window comes in a later version of the program.</translation>
    </message>
</context>
<context>
    <name>mirca::TSelectBMFrm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="88"/>
        <source>Выбор модуля</source>
        <translation>Module selection</translation>
    </message>
</context>
<context>
    <name>mirca::TUncompFileSelectFrm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="98"/>
        <source>Выбор файла конфигурации</source>
        <translation>Configuration file selection</translation>
    </message>
</context>
<context>
    <name>mirca::TYSysOutAssignInSysForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="108"/>
        <source>Назначение системных выходов</source>
        <translation>System output assignment</translation>
    </message>
</context>
<context>
    <name>mirca::TZDevSettingsForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="40"/>
        <source>Mirca-Y Изменение настроек прибора</source>
        <translation>Mirca-Y Panel configuration</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="49"/>
        <source>Mirca-Y Журнал событий</source>
        <translation>Mirca-Y Event log</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreReportForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="70"/>
        <source>Фильтр журнала событий</source>
        <translation>Event log filter</translation>
    </message>
</context>
<context>
    <name>mirca::TZModeSelectForm</name>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="177"/>
        <source>Mirca-Y Выбор режима работы</source>
        <translation>Mirca-Y Working mode selection</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="178"/>
        <source>Название режима:</source>
        <translation>Mode:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="180"/>
        <source>Настройка прибора</source>
        <translation>Panel configuration</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="181"/>
        <source>Журнал событий</source>
        <translation>Event log</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="185"/>
        <source>Описание режима:</source>
        <translation>Mode description:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="186"/>
        <source>Выберите режим, чтобы увидеть описание.</source>
        <translation>Choose a mode to see its description.</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="187"/>
        <source>Продолжить</source>
        <translation>Continue</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="188"/>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="189"/>
        <source>Дополнительно:</source>
        <translation>More:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="190"/>
        <source>Посетите наш сайт</source>
        <translation>Visit our web site</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="191"/>
        <source>Пишите нам</source>
        <translation>Write to us</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="192"/>
        <source>Настройки программы</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="193"/>
        <source>Вызов справки</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="367"/>
        <source>Не удалось открыть файл справки. Откройте его вручную:
%1</source>
        <translation>The help file could not be opened. Please open it yourself:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="382"/>
        <source>Не удалось открыть браузер. Адрес нашего сайта:
%1</source>
        <translation>No web browser could be opened. Our web site is at:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="392"/>
        <source>Не удалось открыть почтовую программу. Напишите нам по адресу:
%1</source>
        <translation>No e-mail program could be opened. Please write to us at:
%1</translation>
    </message>
</context>
</TS>
