<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>TEventTypes</name>
    <message>
        <location filename="../eventlog/queries.cpp" line="71"/>
        <source>взятие</source>
        <translation>arming</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="72"/>
        <source>снятие</source>
        <translation>disarming</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="73"/>
        <source>тревога</source>
        <translation>alarm</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="74"/>
        <source>пожар</source>
        <translation>fire</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="75"/>
        <source>информационное</source>
        <translation>information</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="76"/>
        <source>неисправность общая</source>
        <translation>general trouble</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="77"/>
        <source>восстан-е общей неиспр-ти</source>
        <translation>general trouble restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="78"/>
        <source>включение питания</source>
        <translation>power on</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="79"/>
        <source>неисправность питания</source>
        <translation>power trouble</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="80"/>
        <source>восстан-е неиспр-ти пит-я</source>
        <translation>power trouble restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="81"/>
        <source>вскрытие</source>
        <translation>tamper</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="82"/>
        <source>восстановление вскрытия</source>
        <translation>tamper restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="83"/>
        <source>блокирование РК</source>
        <translation>radio jamming</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="84"/>
        <source>восстановление РК</source>
        <translation>radio restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="85"/>
        <source>нет связи</source>
        <translation>no link</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="86"/>
        <source>восстановление связи</source>
        <translation>link restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="87"/>
        <source>неисправность</source>
        <translation>trouble</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="88"/>
        <source>восстан-е неисправности</source>
        <translation>trouble restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="89"/>
        <source>обрыв цепи выхода</source>
        <translation>output circuit open</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="90"/>
        <source>КЗ цепи выхода</source>
        <translation>output circuit short</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="91"/>
        <source>восстан-е цепи выхода</source>
        <translation>output circuit restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="92"/>
        <source>обрыв ШС</source>
        <translation>zone open</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="93"/>
        <source>КЗ ШС</source>
        <translation>zone short</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="94"/>
        <source>восстановление ШС</source>
        <translation>zone restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="95"/>
        <source>рассинхронизация</source>
        <translation>loss of synchronisation</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="96"/>
        <source>восстан-е рассинхр-ции</source>
        <translation>synchronisation restored</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="97"/>
        <source>включен в обслуживание</source>
        <translation>put into service</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="98"/>
        <source>исключен из обслуживания</source>
        <translation>taken out of service</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="99"/>
        <source>принял по коду</source>
        <translation>accepted by code</translation>
    </message>
</context>
<context>
    <name>TabSheets</name>
    <message>
        <location filename="../editor/editorpages.cpp" line="154"/>
        <source>Номер объекта (системы)</source>
        <translation>Object (system) number</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="155"/>
        <source>Адрес прибора в системе</source>
        <translation>Device address in the system</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="159"/>
        <source>Имя файла резервной копии</source>
        <translation>Backup file name</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="160"/>
        <source>Код конфигурации</source>
        <translation>Configuration code</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="171"/>
        <source>Создать</source>
        <translation>Create</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="172"/>
        <source>Восстановить</source>
        <translation>Restore</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="173"/>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="31"/>
        <source>Находится на стадии разработки</source>
        <translation>Under development</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="32"/>
        <source>Выберите подраздел из списка</source>
        <translation>Choose a subsection from the list</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="34"/>
        <source>Идет синхронизация с прибором. Пожалуйста подождите…</source>
        <translation>Synchronising with the panel. Please wait…</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="35"/>
        <source>Подключенный прибор не поддерживается программой. Программа переходит в режим &quot;Демо&quot;...</source>
        <translation>The connected device is not supported by the program. The program switches to &quot;Demo&quot; mode...</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="38"/>
        <source>Файл карты памяти подключенного прибора не найден или повреждён (см. сообщение). Программа переходит в режим &quot;Демо&quot;...</source>
        <translation>The memory map file of the connected device is missing or broken (see the message). The program switches to &quot;Demo&quot; mode...</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="42"/>
        <source>Внимание! Для РПУ PIMA недоступен режим смены настроек. Вы можете сменить только прошивку. Для этого выйдите из режима смены настроек (закройте данное окно) и перейдите в режим смены ПО прибора и внешних модулей.</source>
        <translation>Attention! Settings cannot be changed for the PIMA radio receiver. You can only change its firmware. To do so, leave the settings mode (close this window) and choose the firmware update mode for the panel and external modules.</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="51"/>
        <location filename="../editor/simplepages.cpp" line="20"/>
        <source>ПЦН тревога</source>
        <translation>Central station alarm</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="51"/>
        <location filename="../editor/simplepages.cpp" line="21"/>
        <source>Контрольная лампа</source>
        <translation>Indicator lamp</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="52"/>
        <location filename="../editor/simplepages.cpp" line="22"/>
        <source>Звуковой</source>
        <translation>Sounder</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="52"/>
        <source>Тревога</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="54"/>
        <source>Системный выход:</source>
        <translation>System output:</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="55"/>
        <source>Физический выход:</source>
        <translation>Physical output:</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="56"/>
        <source>Не определен</source>
        <translation>Not assigned</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="57"/>
        <source>Режим работы выхода:</source>
        <translation>Output mode:</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="59"/>
        <source>Длительность (мин):</source>
        <translation>Duration (min):</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="65"/>
        <source>Коммуникатор</source>
        <translation>Communicator</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="66"/>
        <source>Передача извещений по телефонной линии</source>
        <translation>Send notifications over the telephone line</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="67"/>
        <source>Контроль телефонной линии</source>
        <translation>Monitor the telephone line</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="69"/>
        <source>Считать/записать резервную копию данных о регистрации</source>
        <translation>Read/write the registration data backup</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="76"/>
        <source>Резервная копия данных о регистрации</source>
        <translation>Registration data backup</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="77"/>
        <source>Создать резервную копию</source>
        <translation>Create backup</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="78"/>
        <source>Восстановить из резервной копии</source>
        <translation>Restore from backup</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="83"/>
        <source>Пароли оператора, инженера и удаленного доступа</source>
        <translation>Operator, engineer and remote access passwords</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="84"/>
        <source>Режимы внутреннего и внешнего звука</source>
        <translation>Internal and external sounder modes</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="85"/>
        <source>Подсветка ЖКИ</source>
        <translation>LCD backlight</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="86"/>
        <source>Задержки на вход и на выход</source>
        <translation>Entry and exit delays</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="88"/>
        <source>Разделы прибора</source>
        <translation>Panel partitions</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="89"/>
        <source>Шлейфы раздела</source>
        <translation>Partition zones</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="90"/>
        <source>Задержки раздела на вход и на выход</source>
        <translation>Partition entry and exit delays</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="91"/>
        <source>Голосовой модуль</source>
        <translation>Voice module</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="92"/>
        <source>Сообщения голосового модуля</source>
        <translation>Voice module messages</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="93"/>
        <source>Телефоны для голосовых сообщений</source>
        <translation>Telephone numbers for voice messages</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="94"/>
        <source>Назначение выходов</source>
        <translation>Output assignments</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="95"/>
        <location filename="../editor/tabsheets.cpp" line="149"/>
        <source>Выход</source>
        <translation>Output</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="96"/>
        <source>События, включающие выход</source>
        <translation>Events that switch the output on</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="97"/>
        <source>Назначение шлейфов разделам</source>
        <translation>Zone to partition assignments</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="98"/>
        <source>Шлейф</source>
        <translation>Zone</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="99"/>
        <source>Раздел</source>
        <translation>Partition</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="100"/>
        <source>Ключи Touch Memory</source>
        <translation>Touch Memory keys</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="101"/>
        <source>Номер ключа</source>
        <translation>Key number</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="102"/>
        <source>Код ключа</source>
        <translation>Key code</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="103"/>
        <source>Разделы ключа</source>
        <translation>Key partitions</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="104"/>
        <source>Коды постановки и снятия</source>
        <translation>Arm and disarm codes</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="105"/>
        <location filename="../editor/tabsheets.cpp" line="115"/>
        <source>Номер кода</source>
        <translation>Code number</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="106"/>
        <location filename="../editor/tabsheets.cpp" line="116"/>
        <location filename="../editor/tabsheets.cpp" line="137"/>
        <source>Код</source>
        <translation>Code</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="107"/>
        <source>Разделы кода</source>
        <translation>Code partitions</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="108"/>
        <source>Системные выходы</source>
        <translation>System outputs</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="109"/>
        <source>Режим работы выхода</source>
        <translation>Output mode</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="110"/>
        <source>Длительность включения</source>
        <translation>On duration</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="111"/>
        <source>Статусы извещений радиоканала</source>
        <translation>Radio channel notice statuses</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="112"/>
        <location filename="../editor/tabsheets.cpp" line="133"/>
        <location filename="../editor/tabsheets.cpp" line="136"/>
        <source>Событие</source>
        <translation>Event</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="113"/>
        <source>Статус извещения</source>
        <translation>Notice status</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="114"/>
        <source>Коды радиоканала</source>
        <translation>Radio channel codes</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="118"/>
        <source>Назначение объектов радиоканала</source>
        <translation>Radio channel object assignments</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="119"/>
        <source>Объект</source>
        <translation>Object</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="120"/>
        <source>Номер объекта на пульте</source>
        <translation>Object number at the monitoring station</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="122"/>
        <source>Телефонный коммуникатор: основные настройки</source>
        <translation>Telephone dialer: main settings</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="123"/>
        <source>Тип набора номера</source>
        <translation>Dialling type</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="124"/>
        <source>Число попыток дозвона</source>
        <translation>Number of dialling attempts</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="125"/>
        <source>Получатели извещений</source>
        <translation>Notification recipients</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="126"/>
        <source>Номер телефона</source>
        <translation>Telephone number</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="127"/>
        <source>Протокол передачи</source>
        <translation>Transmission protocol</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="129"/>
        <source>Периодичность тестовых извещений</source>
        <translation>Test notification interval</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="130"/>
        <source>Интервал (ч)</source>
        <translation>Interval (h)</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="132"/>
        <source>Тональные последовательности</source>
        <translation>Tone sequences</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="134"/>
        <source>Последовательность</source>
        <translation>Sequence</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="135"/>
        <source>Цифровые коды событий</source>
        <translation>Digital event codes</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="138"/>
        <source>Звонки</source>
        <translation>Bells</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="139"/>
        <source>Режим звонка</source>
        <translation>Bell mode</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="140"/>
        <source>Длительность звонка</source>
        <translation>Bell duration</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="141"/>
        <source>Группы дозвона</source>
        <translation>Dialling groups</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="142"/>
        <source>Номер группы</source>
        <translation>Group number</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="143"/>
        <source>Телефоны группы</source>
        <translation>Group telephone numbers</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="145"/>
        <source>Удаленное управление по телефону</source>
        <translation>Remote control by telephone</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="146"/>
        <source>Пароль удаленного доступа</source>
        <translation>Remote access password</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="147"/>
        <source>Разрешенные команды</source>
        <translation>Permitted commands</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="148"/>
        <source>Выходы радиорасширителя</source>
        <translation>Radio expander outputs</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="150"/>
        <source>Режим работы</source>
        <translation>Working mode</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="151"/>
        <source>Режим работы радиорасширителя</source>
        <translation>Radio expander mode</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="152"/>
        <source>Режим</source>
        <translation>Mode</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="153"/>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="154"/>
        <source>Реле радиорасширителя</source>
        <translation>Radio expander relays</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="155"/>
        <source>Реле 1</source>
        <translation>Relay 1</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="156"/>
        <source>Реле 2</source>
        <translation>Relay 2</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="18"/>
        <source>неисправность</source>
        <translation>trouble</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="19"/>
        <source>тревога</source>
        <translation>alarm</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="30"/>
        <source>Вскрытие пульта:</source>
        <translation>Keypad tamper:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="31"/>
        <source>Вскрытие УОП  :</source>
        <translation>Output module tamper:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="32"/>
        <source>Вскрытие УОО:</source>
        <translation>Notification module tamper:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="33"/>
        <source>Вскрытие ПКП:</source>
        <translation>Control panel tamper:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="34"/>
        <source>Нет связи с  УОП:</source>
        <translation>No link to the output module:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="35"/>
        <source>Нет связи с  УОО:</source>
        <translation>No link to the notification module:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="36"/>
        <source>Нет связи с ПКП:</source>
        <translation>No link to the control panel:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="37"/>
        <source>Блокир-е РК УОП:</source>
        <translation>Output module radio jamming:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="38"/>
        <source>Блокир-е РК УОО:</source>
        <translation>Notification module radio jamming:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="39"/>
        <source>Блокир-е РК от ПКП:</source>
        <translation>Control panel radio jamming:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="40"/>
        <source>Вскрытие МР:</source>
        <translation>Radio module tamper:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="41"/>
        <source>Нет связи с МР:</source>
        <translation>No link to the radio module:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="45"/>
        <source>Режимы работы реле 1:</source>
        <translation>Relay 1 mode:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="47"/>
        <source>Режимы работы реле 2:</source>
        <translation>Relay 2 mode:</translation>
    </message>
</context>
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
        <location filename="../app/appsettingsform.cpp" line="183"/>
        <source>Настройки программы</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="185"/>
        <source>Система</source>
        <translation>System</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="186"/>
        <source>Папки программ</source>
        <translation>Program folders</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="184"/>
        <source>Язык</source>
        <translation>Language</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="187"/>
        <source>Выберите язык</source>
        <translation>Select language</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="188"/>
        <source>Автоматически показывать список доступных файлов ПО</source>
        <translation>Show the list of available firmware files automatically</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="189"/>
        <source>Сохранять настройки прибора перед обновлением ПО</source>
        <translation>Save the panel settings before a firmware update</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="190"/>
        <source>Режим работы по умолчанию:</source>
        <translation>Default working mode:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="191"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="192"/>
        <source>Онлайн</source>
        <translation>Online</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="193"/>
        <source>Система, загружаемая по умолчанию в демо-режиме:</source>
        <translation>System loaded by default in demo mode:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="194"/>
        <source>Расположение файлов ПО:</source>
        <translation>Firmware files folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="195"/>
        <source>Расположение файлов конфигурации:</source>
        <translation>Configuration files folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="196"/>
        <source>Расположение резервных копий регистрации:</source>
        <translation>Registration backups folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="197"/>
        <source>Расположение отчётов журнала событий:</source>
        <translation>Event log reports folder:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="198"/>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="199"/>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>mirca::TAssignOutputsPage</name>
    <message>
        <location filename="../editor/assignpages.cpp" line="435"/>
        <source>Номера системных выходов:</source>
        <translation>System output numbers:</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="436"/>
        <source>Удалить привязки объекта</source>
        <translation>Remove the object&apos;s assignments</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="437"/>
        <source>Очистить таблицу</source>
        <translation>Clear the table</translation>
    </message>
</context>
<context>
    <name>mirca::TAssignZonesPage</name>
    <message>
        <location filename="../editor/assignpages.cpp" line="570"/>
        <source>Вкл. обсл</source>
        <translation>Serv. on</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="572"/>
        <source>Номера разделов (ШС)</source>
        <translation>Partition (zone) numbers</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="573"/>
        <source>Информация о назначении ШС объекту:</source>
        <translation>Zone assignment to the object:</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="574"/>
        <source>Удалить привязки объекта</source>
        <translation>Remove the object&apos;s assignments</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="575"/>
        <source>Очистить таблицу</source>
        <translation>Clear the table</translation>
    </message>
</context>
<context>
    <name>mirca::TCodesPage</name>
    <message>
        <location filename="../editor/settingspages.cpp" line="288"/>
        <source>Максимальный номер кода:</source>
        <translation>Highest code number:</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="470"/>
        <source>Значение</source>
        <translation>Value</translation>
    </message>
</context>
<context>
    <name>mirca::TLinkStatusBar</name>
    <message>
        <location filename="../gui/workingframe.cpp" line="78"/>
        <source>Режим работы:</source>
        <translation>Mode:</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="79"/>
        <source>Связь с прибором:</source>
        <translation>Panel link:</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="80"/>
        <source>Онлайн</source>
        <translation>Online</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="81"/>
        <source>Не установлена</source>
        <translation>Not established</translation>
    </message>
</context>
<context>
    <name>mirca::TMainSettingsPage</name>
    <message>
        <location filename="../editor/settingspages.cpp" line="119"/>
        <source>Пароль оператора</source>
        <translation>Operator password</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="120"/>
        <source>Пароль инженера</source>
        <translation>Engineer password</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="121"/>
        <source>Сброс пароля инженера</source>
        <translation>Engineer password reset</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="262"/>
        <source>Разрешен</source>
        <translation>Allowed</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="263"/>
        <source>Запрещен</source>
        <translation>Forbidden</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="264"/>
        <source>Режим внутреннего звука</source>
        <translation>Internal sound mode</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="265"/>
        <source>Режим внешнего звука</source>
        <translation>External sound mode</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="266"/>
        <source>Подсветка ЖКИ</source>
        <translation>LCD backlight</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="268"/>
        <location filename="../editor/settingspages.cpp" line="272"/>
        <source>Включен</source>
        <translation>On</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="269"/>
        <location filename="../editor/settingspages.cpp" line="273"/>
        <source>Выключен</source>
        <translation>Off</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="270"/>
        <source>Только тревога</source>
        <translation>Alarm only</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="274"/>
        <source>Автомат.</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="277"/>
        <source>(%1c-%2c)</source>
        <extracomment>The range of a duration in seconds, with the language&apos;s unit</extracomment>
        <translation>(%1s-%2s)</translation>
    </message>
</context>
<context>
    <name>mirca::TNotifTypeForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="35"/>
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
        <location filename="../app/shellwindows.cpp" line="44"/>
        <source>Выбор модуля</source>
        <translation>Module selection</translation>
    </message>
</context>
<context>
    <name>mirca::TSettingsMenu</name>
    <message>
        <location filename="../gui/workingframe.cpp" line="111"/>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="112"/>
        <source>Режим работы</source>
        <translation>Working mode</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="113"/>
        <source>Порт связи</source>
        <translation>Port</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="114"/>
        <source>Выбор языка</source>
        <translation>Language</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="119"/>
        <source>USB интерфейс</source>
        <translation>USB interface</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="121"/>
        <source>Английский</source>
        <translation>English</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="122"/>
        <source>Русский</source>
        <translation>Russian</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="123"/>
        <source>Турецкий</source>
        <translation>Turkish</translation>
    </message>
</context>
<context>
    <name>mirca::TSysOutsPage</name>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>№ С.В.</source>
        <translation>S.O. No.</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Тип уст-ва</source>
        <translation>Device type</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Адр.</source>
        <translation>Addr.</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Физ. вых.</source>
        <translation>Phys. out.</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Режим работы</source>
        <translation>Work mode</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="416"/>
        <source>Время работы</source>
        <translation>Duration</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="417"/>
        <source>Очистить таблицу</source>
        <translation>Clear the table</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="418"/>
        <source>Удалить системный выход</source>
        <translation>Remove the system output</translation>
    </message>
</context>
<context>
    <name>mirca::TTipPanel</name>
    <message>
        <location filename="../gui/tippanel.cpp" line="99"/>
        <source>Совет</source>
        <translation>Tip</translation>
    </message>
    <message>
        <location filename="../gui/tippanel.cpp" line="100"/>
        <source>Развернуть/свернуть совет</source>
        <translation>Expand/collapse the tip</translation>
    </message>
</context>
<context>
    <name>mirca::TUncompFileSelectFrm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="54"/>
        <source>Выбор файла конфигурации</source>
        <translation>Configuration file selection</translation>
    </message>
</context>
<context>
    <name>mirca::TYSysOutAssignInSysForm</name>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="138"/>
        <source>Назначение и настройка системного выхода</source>
        <translation>System output binding and settings</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="139"/>
        <source>Текущие значения привязки:</source>
        <translation>Current binding:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="140"/>
        <source>Новые значения привязки:</source>
        <translation>New binding:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="141"/>
        <source>Номер системного выхода:</source>
        <translation>System output number:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="141"/>
        <source>Тип устройства:</source>
        <translation>Device type:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="142"/>
        <source>Адрес устройства:</source>
        <translation>Device address:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="142"/>
        <source>Номер физического выхода:</source>
        <translation>Physical output number:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="149"/>
        <source>Настройка системного выхода</source>
        <translation>System output settings</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="150"/>
        <source>Режим работы системного выхода:</source>
        <translation>System output work mode:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="151"/>
        <source>Тревога</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="151"/>
        <source>ПЦН тревога</source>
        <translation>Central station alarm</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="151"/>
        <source>Контрольная лампа</source>
        <translation>Indicator lamp</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="152"/>
        <source>Звуковой</source>
        <translation>Sounder</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="152"/>
        <source>Звуковой только тревога</source>
        <translation>Sounder, alarm only</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="155"/>
        <source>Дополнительно:</source>
        <translation>Additional:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="156"/>
        <source>Длительность извещения (мин):</source>
        <translation>Notice duration (min):</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="158"/>
        <source>Принять</source>
        <translation>Accept</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="159"/>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>mirca::TZChangeSoftForm</name>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="47"/>
        <source>Имя файла</source>
        <translation>File name</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="48"/>
        <location filename="../firmware/zchangesoftform.cpp" line="56"/>
        <source>Версия ПО</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="49"/>
        <source>Размер</source>
        <translation>Size</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="50"/>
        <source>Дата создания</source>
        <translation>Date created</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="51"/>
        <source>Путь</source>
        <translation>Path</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="55"/>
        <source>Тип прибора</source>
        <translation>Device type</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="57"/>
        <source>Дополнительная информация</source>
        <translation>Additional information</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="322"/>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="322"/>
        <source>Открыть файл</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="323"/>
        <source>Установить связь</source>
        <translation>Connect</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="323"/>
        <source>Установить связь с прибором</source>
        <translation>Connect to the panel</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="324"/>
        <source>Разорвать связь</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="324"/>
        <source>Разорвать связь с прибором</source>
        <translation>Disconnect from the panel</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="325"/>
        <source>Записать в</source>
        <translation>Write to</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="325"/>
        <source>Записать ПО в прибор</source>
        <translation>Write the firmware to the device</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="326"/>
        <source>Онлайн</source>
        <translation>Online</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="327"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="328"/>
        <source>Вызов справки</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="328"/>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="329"/>
        <source>Посетить наш сайт</source>
        <translation>Visit our web site</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="330"/>
        <source>Написать письмо</source>
        <translation>Write an e-mail</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="331"/>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="331"/>
        <source>Информация о программе</source>
        <translation>About the program</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="332"/>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="333"/>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="334"/>
        <source>Прибор</source>
        <translation>Panel</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="335"/>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="524"/>
        <source>Окно открытия файла</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="526"/>
        <source>Файлы ПО (*.tsk)|*.tsk</source>
        <translation>Firmware files (*.tsk)|*.tsk</translation>
    </message>
</context>
<context>
    <name>mirca::TZDevSettingsForm</name>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="279"/>
        <source>Mirca-Y Изменение настроек прибора</source>
        <translation>Mirca-Y Panel configuration</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="286"/>
        <source>Установить связь</source>
        <translation>Connect</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="286"/>
        <source>Установить связь с прибором</source>
        <translation>Connect to the panel</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="287"/>
        <source>Разорвать связь</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="287"/>
        <source>Разорвать связь с прибором</source>
        <translation>Disconnect from the panel</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="288"/>
        <source>Считать из</source>
        <translation>Read from</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="288"/>
        <source>Считать настройки из прибора</source>
        <translation>Read the settings from the panel</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="289"/>
        <source>Записать в</source>
        <translation>Write to</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="289"/>
        <source>Записать настройки в прибор</source>
        <translation>Write the settings to the panel</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="290"/>
        <source>Онлайн</source>
        <translation>Online</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="291"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="292"/>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="292"/>
        <source>Открыть файл</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="293"/>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="293"/>
        <source>Сохранить в файл</source>
        <translation>Save to a file</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="294"/>
        <source>Выставить заводские настройки</source>
        <translation>Set factory settings</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="295"/>
        <source>Вызов справки</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="295"/>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="296"/>
        <source>Посетить наш сайт</source>
        <translation>Visit our web site</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="297"/>
        <source>Написать нам письмо</source>
        <translation>Write us an e-mail</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="298"/>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="298"/>
        <source>Информация о программе</source>
        <translation>About the program</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="299"/>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="300"/>
        <source>Развернуть все</source>
        <translation>Expand all</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="301"/>
        <source>Свернуть все</source>
        <translation>Collapse all</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="302"/>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="303"/>
        <source>Прибор</source>
        <translation>Panel</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="304"/>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="668"/>
        <source>Открыть файл настроек</source>
        <translation>Open a settings file</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="670"/>
        <source>Сохранить файл настроек</source>
        <translation>Save the settings file</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="672"/>
        <source>Файлы настроек(*.ycfg)|*.ycfg</source>
        <translation>Settings files(*.ycfg)|*.ycfg</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreForm</name>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="39"/>
        <source>Дата/Время</source>
        <translation>Date/Time</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="40"/>
        <source>Событие</source>
        <translation>Event</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="41"/>
        <source>Область действия</source>
        <translation>Scope</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="42"/>
        <source>Детализация события</source>
        <translation>Event detail</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="43"/>
        <source>Источник события</source>
        <translation>Event source</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="241"/>
        <source>Mirca-Y Журнал событий</source>
        <translation>Mirca-Y Event log</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="246"/>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="246"/>
        <source>Открыть файл</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="247"/>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="247"/>
        <source>Сохранить файл</source>
        <translation>Save the file</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="248"/>
        <source>Считать журнал</source>
        <translation>Read log</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="248"/>
        <source>Считать журнал событий</source>
        <translation>Read the event log</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="249"/>
        <source>Экспорт в Excel</source>
        <translation>Export to Excel</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="249"/>
        <source>Экспортировать в Excel</source>
        <translation>Export to Excel</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="250"/>
        <source>Экспорт в HTML</source>
        <translation>Export to HTML</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="250"/>
        <source>Экспортировать ввиде html-страницы</source>
        <translation>Export as an HTML page</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="251"/>
        <source>показать все</source>
        <translation>show all</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="251"/>
        <source>Показать все</source>
        <translation>Show all</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="252"/>
        <source>фильтровать по ...</source>
        <translation>filter by ...</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="252"/>
        <source>Фильтровать по</source>
        <translation>Filter by</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="253"/>
        <source>Вызов справки</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="253"/>
        <source>Справка</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="254"/>
        <source>Посетить наш сайт</source>
        <translation>Visit our web site</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="255"/>
        <source>Написать письмо</source>
        <translation>Write an e-mail</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="256"/>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="256"/>
        <source>Информация о программе</source>
        <translation>About the program</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="257"/>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="258"/>
        <source>Онлайн</source>
        <translation>Online</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="259"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="260"/>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="261"/>
        <source>Прибор</source>
        <translation>Panel</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="262"/>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="263"/>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="384"/>
        <source>Окно открытия файла</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="386"/>
        <source>Окно сохранения файла</source>
        <translation>Save a file</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="388"/>
        <source>Файлы журнала событий (*.yrpt)|*.yrpt</source>
        <translation>Event log files (*.yrpt)|*.yrpt</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreReportForm</name>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="70"/>
        <source>Выберите фильтр</source>
        <translation>Choose a filter</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="72"/>
        <source>Выберите период:</source>
        <translation>Choose the period:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="94"/>
        <source>Выберите тип(ы) сообщения(й):</source>
        <translation>Choose the event type(s):</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="119"/>
        <source>Выберите № объекта:</source>
        <translation>Choose the object number:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="120"/>
        <source>Выберите № UOO:</source>
        <translation>Choose the UOO number:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="121"/>
        <source>Выберите № УOП:</source>
        <translation>Choose the output module number:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="144"/>
        <source>Настройка фильтров</source>
        <translation>Filter settings</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="145"/>
        <source>Фильтр</source>
        <translation>Filter</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="149"/>
        <source>Начало периода:</source>
        <translation>Start of period:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="150"/>
        <source>Конец периода:</source>
        <translation>End of period:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="153"/>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="154"/>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="199"/>
        <source>Сообщение системы</source>
        <translation>System message</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="200"/>
        <source>Ошибка ввода! Начальная дата больше конечной!</source>
        <translation>Input error! The start date is after the end date!</translation>
    </message>
</context>
<context>
    <name>mirca::TZModeSelectForm</name>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="178"/>
        <source>Mirca-Y Выбор режима работы</source>
        <translation>Mirca-Y Working mode selection</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="179"/>
        <source>Название режима:</source>
        <translation>Mode:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="181"/>
        <source>Настройка прибора</source>
        <translation>Panel configuration</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="182"/>
        <source>Журнал событий</source>
        <translation>Event log</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="186"/>
        <source>Описание режима:</source>
        <translation>Mode description:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="187"/>
        <source>Выберите режим, чтобы увидеть описание.</source>
        <translation>Choose a mode to see its description.</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="188"/>
        <source>Продолжить</source>
        <translation>Continue</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="189"/>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="190"/>
        <source>Дополнительно:</source>
        <translation>More:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="191"/>
        <source>Посетите наш сайт</source>
        <translation>Visit our web site</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="192"/>
        <source>Пишите нам</source>
        <translation>Write to us</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="193"/>
        <source>Настройки программы</source>
        <translation>Program settings</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="194"/>
        <source>Вызов справки</source>
        <translation>Help</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="368"/>
        <source>Не удалось открыть файл справки. Откройте его вручную:
%1</source>
        <translation>The help file could not be opened. Please open it yourself:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="383"/>
        <source>Не удалось открыть браузер. Адрес нашего сайта:
%1</source>
        <translation>No web browser could be opened. Our web site is at:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="393"/>
        <source>Не удалось открыть почтовую программу. Напишите нам по адресу:
%1</source>
        <translation>No e-mail program could be opened. Please write to us at:
%1</translation>
    </message>
</context>
</TS>
