<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="tr_TR" sourcelanguage="ru_RU">
<context>
    <name>mirca::TAboutBox</name>
    <message>
        <location filename="../app/aboutbox.cpp" line="80"/>
        <source>О программе</source>
        <translation>Program hakkında</translation>
    </message>
    <message>
        <location filename="../app/aboutbox.cpp" line="81"/>
        <source>Версия:</source>
        <translation>Sürüm:</translation>
    </message>
    <message>
        <location filename="../app/aboutbox.cpp" line="82"/>
        <source>Vorn</source>
        <translation>Vorn</translation>
    </message>
    <message>
        <location filename="../app/aboutbox.cpp" line="83"/>
        <source>OK</source>
        <translation>Tamam</translation>
    </message>
</context>
<context>
    <name>mirca::TAppSettingsForm</name>
    <message>
        <location filename="../app/appsettingsform.cpp" line="181"/>
        <source>Настройки программы</source>
        <translation>Program ayarları</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="183"/>
        <source>Система</source>
        <translation>Sistem</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="184"/>
        <source>Папки программ</source>
        <translation>Program klasörleri</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="182"/>
        <source>Язык</source>
        <translation>Dil</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="185"/>
        <source>Выберите язык</source>
        <translation>Dil seçin</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="186"/>
        <source>Автоматически показывать список доступных файлов ПО</source>
        <translation>Kullanılabilir yazılım dosyalarının listesini otomatik göster</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="187"/>
        <source>Режим работы по умолчанию:</source>
        <translation>Varsayılan çalışma modu:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="188"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="189"/>
        <source>Онлайн</source>
        <translation>Çevrimiçi</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="190"/>
        <source>Система, загружаемая по умолчанию в демо-режиме:</source>
        <translation>Demo modunda varsayılan olarak yüklenen sistem:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="191"/>
        <source>Расположение файлов ПО:</source>
        <translation>Yazılım dosyaları klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="192"/>
        <source>Расположение файлов конфигурации:</source>
        <translation>Yapılandırma dosyaları klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="193"/>
        <source>Расположение резервных копий регистрации:</source>
        <translation>Kayıt yedekleri klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="194"/>
        <source>Расположение отчётов журнала событий:</source>
        <translation>Olay günlüğü raporları klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="195"/>
        <source>ОК</source>
        <translation>Tamam</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="196"/>
        <source>Отмена</source>
        <translation>İptal</translation>
    </message>
</context>
<context>
    <name>mirca::TNotifTypeForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="79"/>
        <source>Типы извещений</source>
        <translation>Bildirim türleri</translation>
    </message>
</context>
<context>
    <name>mirca::TPendingWindow</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="27"/>
        <source>Это окно появится в следующей версии программы.</source>
        <translation>Bu pencere programın sonraki bir sürümünde gelecek.</translation>
    </message>
</context>
<context>
    <name>mirca::TSelectBMFrm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="88"/>
        <source>Выбор модуля</source>
        <translation>Modül seçimi</translation>
    </message>
</context>
<context>
    <name>mirca::TUncompFileSelectFrm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="98"/>
        <source>Выбор файла конфигурации</source>
        <translation>Yapılandırma dosyası seçimi</translation>
    </message>
</context>
<context>
    <name>mirca::TYSysOutAssignInSysForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="108"/>
        <source>Назначение системных выходов</source>
        <translation>Sistem çıkışı atama</translation>
    </message>
</context>
<context>
    <name>mirca::TZDevSettingsForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="40"/>
        <source>Mirca-Y Изменение настроек прибора</source>
        <translation>Mirca-Y Panel yapılandırması</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="49"/>
        <source>Mirca-Y Журнал событий</source>
        <translation>Mirca-Y Olay günlüğü</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreReportForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="70"/>
        <source>Фильтр журнала событий</source>
        <translation>Olay günlüğü filtresi</translation>
    </message>
</context>
<context>
    <name>mirca::TZModeSelectForm</name>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="177"/>
        <source>Mirca-Y Выбор режима работы</source>
        <translation>Mirca-Y Çalışma modu seçimi</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="178"/>
        <source>Название режима:</source>
        <translation>Mod:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="180"/>
        <source>Настройка прибора</source>
        <translation>Panel yapılandırması</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="181"/>
        <source>Журнал событий</source>
        <translation>Olay günlüğü</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="185"/>
        <source>Описание режима:</source>
        <translation>Mod açıklaması:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="186"/>
        <source>Выберите режим, чтобы увидеть описание.</source>
        <translation>Açıklamasını görmek için bir mod seçin.</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="187"/>
        <source>Продолжить</source>
        <translation>Devam</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="188"/>
        <source>Выход</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="189"/>
        <source>Дополнительно:</source>
        <translation>Ek:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="190"/>
        <source>Посетите наш сайт</source>
        <translation>Web sitemizi ziyaret edin</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="191"/>
        <source>Пишите нам</source>
        <translation>Bize yazın</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="192"/>
        <source>Настройки программы</source>
        <translation>Program ayarları</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="193"/>
        <source>Вызов справки</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="367"/>
        <source>Не удалось открыть файл справки. Откройте его вручную:
%1</source>
        <translation>Yardım dosyası açılamadı. Lütfen kendiniz açın:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="382"/>
        <source>Не удалось открыть браузер. Адрес нашего сайта:
%1</source>
        <translation>Web tarayıcısı açılamadı. Web sitemizin adresi:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="392"/>
        <source>Не удалось открыть почтовую программу. Напишите нам по адресу:
%1</source>
        <translation>E-posta programı açılamadı. Bize şu adresten yazın:
%1</translation>
    </message>
</context>
</TS>
