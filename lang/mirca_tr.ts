<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="tr_TR" sourcelanguage="ru_RU">
<context>
    <name>TEventTypes</name>
    <message>
        <location filename="../eventlog/queries.cpp" line="71"/>
        <source>взятие</source>
        <translation>kurma</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="72"/>
        <source>снятие</source>
        <translation>devre dışı bırakma</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="73"/>
        <source>тревога</source>
        <translation>alarm</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="74"/>
        <source>пожар</source>
        <translation>yangın</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="75"/>
        <source>информационное</source>
        <translation>bilgi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="76"/>
        <source>неисправность общая</source>
        <translation>genel arıza</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="77"/>
        <source>восстан-е общей неиспр-ти</source>
        <translation>genel arıza giderildi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="78"/>
        <source>включение питания</source>
        <translation>güç açıldı</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="79"/>
        <source>неисправность питания</source>
        <translation>güç arızası</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="80"/>
        <source>восстан-е неиспр-ти пит-я</source>
        <translation>güç arızası giderildi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="81"/>
        <source>вскрытие</source>
        <translation>sabotaj</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="82"/>
        <source>восстановление вскрытия</source>
        <translation>sabotaj giderildi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="83"/>
        <source>блокирование РК</source>
        <translation>radyo engelleme</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="84"/>
        <source>восстановление РК</source>
        <translation>radyo düzeldi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="85"/>
        <source>нет связи</source>
        <translation>bağlantı yok</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="86"/>
        <source>восстановление связи</source>
        <translation>bağlantı düzeldi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="87"/>
        <source>неисправность</source>
        <translation>arıza</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="88"/>
        <source>восстан-е неисправности</source>
        <translation>arıza giderildi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="89"/>
        <source>обрыв цепи выхода</source>
        <translation>çıkış devresi açık</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="90"/>
        <source>КЗ цепи выхода</source>
        <translation>çıkış devresi kısa devre</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="91"/>
        <source>восстан-е цепи выхода</source>
        <translation>çıkış devresi düzeldi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="92"/>
        <source>обрыв ШС</source>
        <translation>bölge açık devre</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="93"/>
        <source>КЗ ШС</source>
        <translation>bölge kısa devre</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="94"/>
        <source>восстановление ШС</source>
        <translation>bölge düzeldi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="95"/>
        <source>рассинхронизация</source>
        <translation>eşitleme kaybı</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="96"/>
        <source>восстан-е рассинхр-ции</source>
        <translation>eşitleme düzeldi</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="97"/>
        <source>включен в обслуживание</source>
        <translation>hizmete alındı</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="98"/>
        <source>исключен из обслуживания</source>
        <translation>hizmetten çıkarıldı</translation>
    </message>
    <message>
        <location filename="../eventlog/queries.cpp" line="99"/>
        <source>принял по коду</source>
        <translation>kodla kabul edildi</translation>
    </message>
</context>
<context>
    <name>TabSheets</name>
    <message>
        <location filename="../editor/editorpages.cpp" line="154"/>
        <source>Номер объекта (системы)</source>
        <translation>Nesne (sistem) numarası</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="155"/>
        <source>Адрес прибора в системе</source>
        <translation>Cihazın sistemdeki adresi</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="159"/>
        <source>Имя файла резервной копии</source>
        <translation>Yedek dosyasının adı</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="160"/>
        <source>Код конфигурации</source>
        <translation>Yapılandırma kodu</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="171"/>
        <source>Создать</source>
        <translation>Oluştur</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="172"/>
        <source>Восстановить</source>
        <translation>Geri yükle</translation>
    </message>
    <message>
        <location filename="../editor/editorpages.cpp" line="173"/>
        <source>Удалить</source>
        <translation>Sil</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="31"/>
        <source>Находится на стадии разработки</source>
        <translation>Geliştirme aşamasında</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="32"/>
        <source>Выберите подраздел из списка</source>
        <translation>Listeden bir alt bölüm seçin</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="34"/>
        <source>Идет синхронизация с прибором. Пожалуйста подождите…</source>
        <translation>Panel ile eşitleniyor. Lütfen bekleyin…</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="35"/>
        <source>Подключенный прибор не поддерживается программой. Программа переходит в режим &quot;Демо&quot;...</source>
        <translation>Bağlı cihaz program tarafından desteklenmiyor. Program &quot;Demo&quot; moduna geçiyor...</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="38"/>
        <source>Файл карты памяти подключенного прибора не найден или повреждён (см. сообщение). Программа переходит в режим &quot;Демо&quot;...</source>
        <translation>Bağlı cihazın bellek haritası dosyası bulunamadı ya da bozuk (mesaja bakın). Program &quot;Demo&quot; moduna geçiyor...</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="42"/>
        <source>Внимание! Для РПУ PIMA недоступен режим смены настроек. Вы можете сменить только прошивку. Для этого выйдите из режима смены настроек (закройте данное окно) и перейдите в режим смены ПО прибора и внешних модулей.</source>
        <translation>Dikkat! PIMA radyo alıcısının ayarları değiştirilemez. Yalnızca yazılımını değiştirebilirsiniz. Bunun için ayar modundan çıkın (bu pencereyi kapatın) ve panel ile harici modüllerin yazılım güncelleme moduna geçin.</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="51"/>
        <location filename="../editor/simplepages.cpp" line="20"/>
        <source>ПЦН тревога</source>
        <translation>İzleme merkezi alarmı</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="51"/>
        <location filename="../editor/simplepages.cpp" line="21"/>
        <source>Контрольная лампа</source>
        <translation>Gösterge lambası</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="52"/>
        <location filename="../editor/simplepages.cpp" line="22"/>
        <source>Звуковой</source>
        <translation>Sesli</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="52"/>
        <source>Тревога</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="54"/>
        <source>Системный выход:</source>
        <translation>Sistem çıkışı:</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="55"/>
        <source>Физический выход:</source>
        <translation>Fiziksel çıkış:</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="56"/>
        <source>Не определен</source>
        <translation>Tanımlanmamış</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="57"/>
        <source>Режим работы выхода:</source>
        <translation>Çıkış modu:</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="59"/>
        <source>Длительность (мин):</source>
        <translation>Süre (dk):</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="65"/>
        <source>Коммуникатор</source>
        <translation>İletişim birimi</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="66"/>
        <source>Передача извещений по телефонной линии</source>
        <translation>Bildirimleri telefon hattı üzerinden gönder</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="67"/>
        <source>Контроль телефонной линии</source>
        <translation>Telefon hattını denetle</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="69"/>
        <source>Считать/записать резервную копию данных о регистрации</source>
        <translation>Kayıt verisi yedeğini oku/yaz</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="76"/>
        <source>Резервная копия данных о регистрации</source>
        <translation>Kayıt verisi yedeği</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="77"/>
        <source>Создать резервную копию</source>
        <translation>Yedek oluştur</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="78"/>
        <source>Восстановить из резервной копии</source>
        <translation>Yedekten geri yükle</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="83"/>
        <source>Пароли оператора, инженера и удаленного доступа</source>
        <translation>Operatör, mühendis ve uzaktan erişim şifreleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="84"/>
        <source>Режимы внутреннего и внешнего звука</source>
        <translation>Dahili ve harici siren modları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="85"/>
        <source>Подсветка ЖКИ</source>
        <translation>LCD arka ışığı</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="86"/>
        <source>Задержки на вход и на выход</source>
        <translation>Giriş ve çıkış gecikmeleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="88"/>
        <source>Разделы прибора</source>
        <translation>Panel bölümleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="89"/>
        <source>Шлейфы раздела</source>
        <translation>Bölüm bölgeleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="90"/>
        <source>Задержки раздела на вход и на выход</source>
        <translation>Bölüm giriş ve çıkış gecikmeleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="91"/>
        <source>Голосовой модуль</source>
        <translation>Sesli mesaj modülü</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="92"/>
        <source>Сообщения голосового модуля</source>
        <translation>Sesli mesaj modülü mesajları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="93"/>
        <source>Телефоны для голосовых сообщений</source>
        <translation>Sesli mesajlar için telefon numaraları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="94"/>
        <source>Назначение выходов</source>
        <translation>Çıkış atamaları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="95"/>
        <location filename="../editor/tabsheets.cpp" line="149"/>
        <source>Выход</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="96"/>
        <source>События, включающие выход</source>
        <translation>Çıkışı açan olaylar</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="97"/>
        <source>Назначение шлейфов разделам</source>
        <translation>Bölgelerin bölümlere atanması</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="98"/>
        <source>Шлейф</source>
        <translation>Bölge</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="99"/>
        <source>Раздел</source>
        <translation>Bölüm</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="100"/>
        <source>Ключи Touch Memory</source>
        <translation>Touch Memory anahtarları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="101"/>
        <source>Номер ключа</source>
        <translation>Anahtar numarası</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="102"/>
        <source>Код ключа</source>
        <translation>Anahtar kodu</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="103"/>
        <source>Разделы ключа</source>
        <translation>Anahtar bölümleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="104"/>
        <source>Коды постановки и снятия</source>
        <translation>Kurma ve devre dışı bırakma kodları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="105"/>
        <location filename="../editor/tabsheets.cpp" line="115"/>
        <source>Номер кода</source>
        <translation>Kod numarası</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="106"/>
        <location filename="../editor/tabsheets.cpp" line="116"/>
        <location filename="../editor/tabsheets.cpp" line="137"/>
        <source>Код</source>
        <translation>Kod</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="107"/>
        <source>Разделы кода</source>
        <translation>Kod bölümleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="108"/>
        <source>Системные выходы</source>
        <translation>Sistem çıkışları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="109"/>
        <source>Режим работы выхода</source>
        <translation>Çıkış modu</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="110"/>
        <source>Длительность включения</source>
        <translation>Açık kalma süresi</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="111"/>
        <source>Статусы извещений радиоканала</source>
        <translation>Radyo kanalı bildirim durumları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="112"/>
        <location filename="../editor/tabsheets.cpp" line="133"/>
        <location filename="../editor/tabsheets.cpp" line="136"/>
        <source>Событие</source>
        <translation>Olay</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="113"/>
        <source>Статус извещения</source>
        <translation>Bildirim durumu</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="114"/>
        <source>Коды радиоканала</source>
        <translation>Radyo kanalı kodları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="118"/>
        <source>Назначение объектов радиоканала</source>
        <translation>Radyo kanalı nesne atamaları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="119"/>
        <source>Объект</source>
        <translation>Nesne</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="120"/>
        <source>Номер объекта на пульте</source>
        <translation>İzleme merkezindeki nesne numarası</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="122"/>
        <source>Телефонный коммуникатор: основные настройки</source>
        <translation>Telefon arayıcı: temel ayarlar</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="123"/>
        <source>Тип набора номера</source>
        <translation>Arama türü</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="124"/>
        <source>Число попыток дозвона</source>
        <translation>Arama deneme sayısı</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="125"/>
        <source>Получатели извещений</source>
        <translation>Bildirim alıcıları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="126"/>
        <source>Номер телефона</source>
        <translation>Telefon numarası</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="127"/>
        <source>Протокол передачи</source>
        <translation>İletim protokolü</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="129"/>
        <source>Периодичность тестовых извещений</source>
        <translation>Test bildirimi aralığı</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="130"/>
        <source>Интервал (ч)</source>
        <translation>Aralık (sa)</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="132"/>
        <source>Тональные последовательности</source>
        <translation>Ton dizileri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="134"/>
        <source>Последовательность</source>
        <translation>Dizi</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="135"/>
        <source>Цифровые коды событий</source>
        <translation>Dijital olay kodları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="138"/>
        <source>Звонки</source>
        <translation>Zil</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="139"/>
        <source>Режим звонка</source>
        <translation>Zil modu</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="140"/>
        <source>Длительность звонка</source>
        <translation>Zil süresi</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="141"/>
        <source>Группы дозвона</source>
        <translation>Arama grupları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="142"/>
        <source>Номер группы</source>
        <translation>Grup numarası</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="143"/>
        <source>Телефоны группы</source>
        <translation>Grup telefon numaraları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="145"/>
        <source>Удаленное управление по телефону</source>
        <translation>Telefonla uzaktan kumanda</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="146"/>
        <source>Пароль удаленного доступа</source>
        <translation>Uzaktan erişim şifresi</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="147"/>
        <source>Разрешенные команды</source>
        <translation>İzin verilen komutlar</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="148"/>
        <source>Выходы радиорасширителя</source>
        <translation>Radyo genişletici çıkışları</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="150"/>
        <source>Режим работы</source>
        <translation>Çalışma modu</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="151"/>
        <source>Режим работы радиорасширителя</source>
        <translation>Radyo genişletici modu</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="152"/>
        <source>Режим</source>
        <translation>Mod</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="153"/>
        <source>Адрес</source>
        <translation>Adres</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="154"/>
        <source>Реле радиорасширителя</source>
        <translation>Radyo genişletici röleleri</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="155"/>
        <source>Реле 1</source>
        <translation>Röle 1</translation>
    </message>
    <message>
        <location filename="../editor/tabsheets.cpp" line="156"/>
        <source>Реле 2</source>
        <translation>Röle 2</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="18"/>
        <source>неисправность</source>
        <translation>arıza</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="19"/>
        <source>тревога</source>
        <translation>alarm</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="30"/>
        <source>Вскрытие пульта:</source>
        <translation>Tuş takımı sabotajı:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="31"/>
        <source>Вскрытие УОП  :</source>
        <translation>Çıkış modülü sabotajı:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="32"/>
        <source>Вскрытие УОО:</source>
        <translation>Bildirim modülü sabotajı:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="33"/>
        <source>Вскрытие ПКП:</source>
        <translation>Kontrol paneli sabotajı:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="34"/>
        <source>Нет связи с  УОП:</source>
        <translation>Çıkış modülü ile bağlantı yok:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="35"/>
        <source>Нет связи с  УОО:</source>
        <translation>Bildirim modülü ile bağlantı yok:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="36"/>
        <source>Нет связи с ПКП:</source>
        <translation>Kontrol paneli ile bağlantı yok:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="37"/>
        <source>Блокир-е РК УОП:</source>
        <translation>Çıkış modülü radyo engelleme:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="38"/>
        <source>Блокир-е РК УОО:</source>
        <translation>Bildirim modülü radyo engelleme:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="39"/>
        <source>Блокир-е РК от ПКП:</source>
        <translation>Kontrol paneli radyo engelleme:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="40"/>
        <source>Вскрытие МР:</source>
        <translation>Radyo modülü sabotajı:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="41"/>
        <source>Нет связи с МР:</source>
        <translation>Radyo modülü ile bağlantı yok:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="45"/>
        <source>Режимы работы реле 1:</source>
        <translation>Röle 1 modu:</translation>
    </message>
    <message>
        <location filename="../editor/simplepages.cpp" line="47"/>
        <source>Режимы работы реле 2:</source>
        <translation>Röle 2 modu:</translation>
    </message>
</context>
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
        <location filename="../app/appsettingsform.cpp" line="183"/>
        <source>Настройки программы</source>
        <translation>Program ayarları</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="185"/>
        <source>Система</source>
        <translation>Sistem</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="186"/>
        <source>Папки программ</source>
        <translation>Program klasörleri</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="184"/>
        <source>Язык</source>
        <translation>Dil</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="187"/>
        <source>Выберите язык</source>
        <translation>Dil seçin</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="188"/>
        <source>Автоматически показывать список доступных файлов ПО</source>
        <translation>Kullanılabilir yazılım dosyalarının listesini otomatik göster</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="189"/>
        <source>Сохранять настройки прибора перед обновлением ПО</source>
        <translation>Yazılım güncellemesinden önce cihaz ayarlarını kaydet</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="190"/>
        <source>Режим работы по умолчанию:</source>
        <translation>Varsayılan çalışma modu:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="191"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="192"/>
        <source>Онлайн</source>
        <translation>Çevrimiçi</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="193"/>
        <source>Система, загружаемая по умолчанию в демо-режиме:</source>
        <translation>Demo modunda varsayılan olarak yüklenen sistem:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="194"/>
        <source>Расположение файлов ПО:</source>
        <translation>Yazılım dosyaları klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="195"/>
        <source>Расположение файлов конфигурации:</source>
        <translation>Yapılandırma dosyaları klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="196"/>
        <source>Расположение резервных копий регистрации:</source>
        <translation>Kayıt yedekleri klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="197"/>
        <source>Расположение отчётов журнала событий:</source>
        <translation>Olay günlüğü raporları klasörü:</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="198"/>
        <source>ОК</source>
        <translation>Tamam</translation>
    </message>
    <message>
        <location filename="../app/appsettingsform.cpp" line="199"/>
        <source>Отмена</source>
        <translation>İptal</translation>
    </message>
</context>
<context>
    <name>mirca::TAssignOutputsPage</name>
    <message>
        <location filename="../editor/assignpages.cpp" line="435"/>
        <source>Номера системных выходов:</source>
        <translation>Sistem çıkışı numaraları:</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="436"/>
        <source>Удалить привязки объекта</source>
        <translation>Nesnenin atamalarını sil</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="437"/>
        <source>Очистить таблицу</source>
        <translation>Tabloyu temizle</translation>
    </message>
</context>
<context>
    <name>mirca::TAssignZonesPage</name>
    <message>
        <location filename="../editor/assignpages.cpp" line="570"/>
        <source>Вкл. обсл</source>
        <translation>Hizm. açık</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="572"/>
        <source>Номера разделов (ШС)</source>
        <translation>Bölüm (bölge) numaraları</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="573"/>
        <source>Информация о назначении ШС объекту:</source>
        <translation>Bölgenin nesneye ataması:</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="574"/>
        <source>Удалить привязки объекта</source>
        <translation>Nesnenin atamalarını sil</translation>
    </message>
    <message>
        <location filename="../editor/assignpages.cpp" line="575"/>
        <source>Очистить таблицу</source>
        <translation>Tabloyu temizle</translation>
    </message>
</context>
<context>
    <name>mirca::TCodesPage</name>
    <message>
        <location filename="../editor/settingspages.cpp" line="288"/>
        <source>Максимальный номер кода:</source>
        <translation>En yüksek kod numarası:</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="470"/>
        <source>Значение</source>
        <translation>Değer</translation>
    </message>
</context>
<context>
    <name>mirca::TLinkStatusBar</name>
    <message>
        <location filename="../gui/workingframe.cpp" line="78"/>
        <source>Режим работы:</source>
        <translation>Çalışma modu:</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="79"/>
        <source>Связь с прибором:</source>
        <translation>Panel bağlantısı:</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="80"/>
        <source>Онлайн</source>
        <translation>Çevrimiçi</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="81"/>
        <source>Не установлена</source>
        <translation>Kurulmadı</translation>
    </message>
</context>
<context>
    <name>mirca::TMainSettingsPage</name>
    <message>
        <location filename="../editor/settingspages.cpp" line="119"/>
        <source>Пароль оператора</source>
        <translation>Operatör şifresi</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="120"/>
        <source>Пароль инженера</source>
        <translation>Mühendis şifresi</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="121"/>
        <source>Сброс пароля инженера</source>
        <translation>Mühendis şifresi sıfırlama</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="262"/>
        <source>Разрешен</source>
        <translation>İzinli</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="263"/>
        <source>Запрещен</source>
        <translation>Yasak</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="264"/>
        <source>Режим внутреннего звука</source>
        <translation>Dahili ses modu</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="265"/>
        <source>Режим внешнего звука</source>
        <translation>Harici ses modu</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="266"/>
        <source>Подсветка ЖКИ</source>
        <translation>LCD arka ışığı</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="268"/>
        <location filename="../editor/settingspages.cpp" line="272"/>
        <source>Включен</source>
        <translation>Açık</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="269"/>
        <location filename="../editor/settingspages.cpp" line="273"/>
        <source>Выключен</source>
        <translation>Kapalı</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="270"/>
        <source>Только тревога</source>
        <translation>Yalnız alarm</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="274"/>
        <source>Автомат.</source>
        <translation>Otomatik</translation>
    </message>
    <message>
        <location filename="../editor/settingspages.cpp" line="277"/>
        <source>(%1c-%2c)</source>
        <extracomment>The range of a duration in seconds, with the language&apos;s unit</extracomment>
        <translation>(%1sn-%2sn)</translation>
    </message>
</context>
<context>
    <name>mirca::TNotifTypeForm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="35"/>
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
        <location filename="../app/shellwindows.cpp" line="44"/>
        <source>Выбор модуля</source>
        <translation>Modül seçimi</translation>
    </message>
</context>
<context>
    <name>mirca::TSettingsMenu</name>
    <message>
        <location filename="../gui/workingframe.cpp" line="111"/>
        <source>Настройки</source>
        <translation>Ayarlar</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="112"/>
        <source>Режим работы</source>
        <translation>Çalışma modu</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="113"/>
        <source>Порт связи</source>
        <translation>Bağlantı noktası</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="114"/>
        <source>Выбор языка</source>
        <translation>Dil</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="119"/>
        <source>USB интерфейс</source>
        <translation>USB arabirimi</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="121"/>
        <source>Английский</source>
        <translation>İngilizce</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="122"/>
        <source>Русский</source>
        <translation>Rusça</translation>
    </message>
    <message>
        <location filename="../gui/workingframe.cpp" line="123"/>
        <source>Турецкий</source>
        <translation>Türkçe</translation>
    </message>
</context>
<context>
    <name>mirca::TSysOutsPage</name>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>№ С.В.</source>
        <translation>S.Ç. No.</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Тип уст-ва</source>
        <translation>Cihaz tipi</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Адр.</source>
        <translation>Adr.</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Физ. вых.</source>
        <translation>Fiz. çık.</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="415"/>
        <source>Режим работы</source>
        <translation>Çalışma modu</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="416"/>
        <source>Время работы</source>
        <translation>Süre</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="417"/>
        <source>Очистить таблицу</source>
        <translation>Tabloyu temizle</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="418"/>
        <source>Удалить системный выход</source>
        <translation>Sistem çıkışını sil</translation>
    </message>
</context>
<context>
    <name>mirca::TTipPanel</name>
    <message>
        <location filename="../gui/tippanel.cpp" line="99"/>
        <source>Совет</source>
        <translation>İpucu</translation>
    </message>
    <message>
        <location filename="../gui/tippanel.cpp" line="100"/>
        <source>Развернуть/свернуть совет</source>
        <translation>İpucunu genişlet/daralt</translation>
    </message>
</context>
<context>
    <name>mirca::TUncompFileSelectFrm</name>
    <message>
        <location filename="../app/shellwindows.cpp" line="54"/>
        <source>Выбор файла конфигурации</source>
        <translation>Yapılandırma dosyası seçimi</translation>
    </message>
</context>
<context>
    <name>mirca::TYSysOutAssignInSysForm</name>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="138"/>
        <source>Назначение и настройка системного выхода</source>
        <translation>Sistem çıkışı bağlama ve ayarları</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="139"/>
        <source>Текущие значения привязки:</source>
        <translation>Geçerli bağlama:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="140"/>
        <source>Новые значения привязки:</source>
        <translation>Yeni bağlama:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="141"/>
        <source>Номер системного выхода:</source>
        <translation>Sistem çıkışı numarası:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="141"/>
        <source>Тип устройства:</source>
        <translation>Cihaz tipi:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="142"/>
        <source>Адрес устройства:</source>
        <translation>Cihaz adresi:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="142"/>
        <source>Номер физического выхода:</source>
        <translation>Fiziksel çıkış numarası:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="149"/>
        <source>Настройка системного выхода</source>
        <translation>Sistem çıkışı ayarları</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="150"/>
        <source>Режим работы системного выхода:</source>
        <translation>Sistem çıkışı çalışma modu:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="151"/>
        <source>Тревога</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="151"/>
        <source>ПЦН тревога</source>
        <translation>İzleme merkezi alarmı</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="151"/>
        <source>Контрольная лампа</source>
        <translation>Gösterge lambası</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="152"/>
        <source>Звуковой</source>
        <translation>Siren</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="152"/>
        <source>Звуковой только тревога</source>
        <translation>Siren, yalnız alarm</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="155"/>
        <source>Дополнительно:</source>
        <translation>Ek:</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="156"/>
        <source>Длительность извещения (мин):</source>
        <translation>Bildirim süresi (dk):</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="158"/>
        <source>Принять</source>
        <translation>Kabul et</translation>
    </message>
    <message>
        <location filename="../editor/sysoutspage.cpp" line="159"/>
        <source>Отмена</source>
        <translation>İptal</translation>
    </message>
</context>
<context>
    <name>mirca::TZChangeSoftForm</name>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="47"/>
        <source>Имя файла</source>
        <translation>Dosya adı</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="48"/>
        <location filename="../firmware/zchangesoftform.cpp" line="56"/>
        <source>Версия ПО</source>
        <translation>Yazılım sürümü</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="49"/>
        <source>Размер</source>
        <translation>Boyut</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="50"/>
        <source>Дата создания</source>
        <translation>Oluşturma tarihi</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="51"/>
        <source>Путь</source>
        <translation>Yol</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="55"/>
        <source>Тип прибора</source>
        <translation>Cihaz tipi</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="57"/>
        <source>Дополнительная информация</source>
        <translation>Ek bilgi</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="322"/>
        <source>Открыть</source>
        <translation>Aç</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="322"/>
        <source>Открыть файл</source>
        <translation>Dosya aç</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="323"/>
        <source>Установить связь</source>
        <translation>Bağlan</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="323"/>
        <source>Установить связь с прибором</source>
        <translation>Panele bağlan</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="324"/>
        <source>Разорвать связь</source>
        <translation>Bağlantıyı kes</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="324"/>
        <source>Разорвать связь с прибором</source>
        <translation>Panel bağlantısını kes</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="325"/>
        <source>Записать в</source>
        <translation>Yaz</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="325"/>
        <source>Записать ПО в прибор</source>
        <translation>Yazılımı cihaza yaz</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="326"/>
        <source>Онлайн</source>
        <translation>Çevrimiçi</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="327"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="328"/>
        <source>Вызов справки</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="328"/>
        <source>Справка</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="329"/>
        <source>Посетить наш сайт</source>
        <translation>Web sitemizi ziyaret edin</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="330"/>
        <source>Написать письмо</source>
        <translation>E-posta yaz</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="331"/>
        <source>О программе...</source>
        <translation>Hakkında...</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="331"/>
        <source>Информация о программе</source>
        <translation>Program hakkında</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="332"/>
        <source>Выход</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="333"/>
        <source>Файл</source>
        <translation>Dosya</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="334"/>
        <source>Прибор</source>
        <translation>Panel</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="335"/>
        <source>Помощь</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="524"/>
        <source>Окно открытия файла</source>
        <translation>Dosya aç</translation>
    </message>
    <message>
        <location filename="../firmware/zchangesoftform.cpp" line="526"/>
        <source>Файлы ПО (*.tsk)|*.tsk</source>
        <translation>Yazılım dosyaları (*.tsk)|*.tsk</translation>
    </message>
</context>
<context>
    <name>mirca::TZDevSettingsForm</name>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="279"/>
        <source>Mirca-Y Изменение настроек прибора</source>
        <translation>Mirca-Y Panel yapılandırması</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="286"/>
        <source>Установить связь</source>
        <translation>Bağlan</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="286"/>
        <source>Установить связь с прибором</source>
        <translation>Panele bağlan</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="287"/>
        <source>Разорвать связь</source>
        <translation>Bağlantıyı kes</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="287"/>
        <source>Разорвать связь с прибором</source>
        <translation>Panel bağlantısını kes</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="288"/>
        <source>Считать из</source>
        <translation>Oku</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="288"/>
        <source>Считать настройки из прибора</source>
        <translation>Ayarları panelden oku</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="289"/>
        <source>Записать в</source>
        <translation>Yaz</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="289"/>
        <source>Записать настройки в прибор</source>
        <translation>Ayarları panele yaz</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="290"/>
        <source>Онлайн</source>
        <translation>Çevrimiçi</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="291"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="292"/>
        <source>Открыть</source>
        <translation>Aç</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="292"/>
        <source>Открыть файл</source>
        <translation>Dosya aç</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="293"/>
        <source>Сохранить</source>
        <translation>Kaydet</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="293"/>
        <source>Сохранить в файл</source>
        <translation>Dosyaya kaydet</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="294"/>
        <source>Выставить заводские настройки</source>
        <translation>Fabrika ayarlarını yükle</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="295"/>
        <source>Вызов справки</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="295"/>
        <source>Справка</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="296"/>
        <source>Посетить наш сайт</source>
        <translation>Web sitemizi ziyaret edin</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="297"/>
        <source>Написать нам письмо</source>
        <translation>Bize e-posta yazın</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="298"/>
        <source>О программе...</source>
        <translation>Hakkında...</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="298"/>
        <source>Информация о программе</source>
        <translation>Program hakkında</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="299"/>
        <source>Выход</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="300"/>
        <source>Развернуть все</source>
        <translation>Tümünü genişlet</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="301"/>
        <source>Свернуть все</source>
        <translation>Tümünü daralt</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="302"/>
        <source>Файл</source>
        <translation>Dosya</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="303"/>
        <source>Прибор</source>
        <translation>Panel</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="304"/>
        <source>Помощь</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="668"/>
        <source>Открыть файл настроек</source>
        <translation>Ayar dosyası aç</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="670"/>
        <source>Сохранить файл настроек</source>
        <translation>Ayar dosyasını kaydet</translation>
    </message>
    <message>
        <location filename="../editor/zdevsettingsform.cpp" line="672"/>
        <source>Файлы настроек(*.ycfg)|*.ycfg</source>
        <translation>Ayar dosyaları(*.ycfg)|*.ycfg</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreForm</name>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="39"/>
        <source>Дата/Время</source>
        <translation>Tarih/Saat</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="40"/>
        <source>Событие</source>
        <translation>Olay</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="41"/>
        <source>Область действия</source>
        <translation>Kapsam</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="42"/>
        <source>Детализация события</source>
        <translation>Olay ayrıntısı</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="43"/>
        <source>Источник события</source>
        <translation>Olay kaynağı</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="241"/>
        <source>Mirca-Y Журнал событий</source>
        <translation>Mirca-Y Olay günlüğü</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="246"/>
        <source>Открыть</source>
        <translation>Aç</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="246"/>
        <source>Открыть файл</source>
        <translation>Dosya aç</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="247"/>
        <source>Сохранить</source>
        <translation>Kaydet</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="247"/>
        <source>Сохранить файл</source>
        <translation>Dosyayı kaydet</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="248"/>
        <source>Считать журнал</source>
        <translation>Kaydı oku</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="248"/>
        <source>Считать журнал событий</source>
        <translation>Olay kaydını oku</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="249"/>
        <source>Экспорт в Excel</source>
        <translation>Excel&apos;e aktar</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="249"/>
        <source>Экспортировать в Excel</source>
        <translation>Excel&apos;e aktar</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="250"/>
        <source>Экспорт в HTML</source>
        <translation>HTML&apos;ye aktar</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="250"/>
        <source>Экспортировать ввиде html-страницы</source>
        <translation>HTML sayfası olarak aktar</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="251"/>
        <source>показать все</source>
        <translation>tümünü göster</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="251"/>
        <source>Показать все</source>
        <translation>Tümünü göster</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="252"/>
        <source>фильтровать по ...</source>
        <translation>filtrele ...</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="252"/>
        <source>Фильтровать по</source>
        <translation>Filtrele</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="253"/>
        <source>Вызов справки</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="253"/>
        <source>Справка</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="254"/>
        <source>Посетить наш сайт</source>
        <translation>Web sitemizi ziyaret edin</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="255"/>
        <source>Написать письмо</source>
        <translation>E-posta yaz</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="256"/>
        <source>О программе...</source>
        <translation>Hakkında...</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="256"/>
        <source>Информация о программе</source>
        <translation>Program hakkında</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="257"/>
        <source>Выход</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="258"/>
        <source>Онлайн</source>
        <translation>Çevrimiçi</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="259"/>
        <source>Демо</source>
        <translation>Demo</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="260"/>
        <source>Файл</source>
        <translation>Dosya</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="261"/>
        <source>Прибор</source>
        <translation>Panel</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="262"/>
        <source>Фильтр</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="263"/>
        <source>Помощь</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="384"/>
        <source>Окно открытия файла</source>
        <translation>Dosya aç</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="386"/>
        <source>Окно сохранения файла</source>
        <translation>Dosya kaydet</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstoreform.cpp" line="388"/>
        <source>Файлы журнала событий (*.yrpt)|*.yrpt</source>
        <translation>Olay kaydı dosyaları (*.yrpt)|*.yrpt</translation>
    </message>
</context>
<context>
    <name>mirca::TZMStoreReportForm</name>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="70"/>
        <source>Выберите фильтр</source>
        <translation>Bir filtre seçin</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="72"/>
        <source>Выберите период:</source>
        <translation>Dönemi seçin:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="94"/>
        <source>Выберите тип(ы) сообщения(й):</source>
        <translation>Olay tür(ler)ini seçin:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="119"/>
        <source>Выберите № объекта:</source>
        <translation>Nesne numarasını seçin:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="120"/>
        <source>Выберите № UOO:</source>
        <translation>UOO numarasını seçin:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="121"/>
        <source>Выберите № УOП:</source>
        <translation>Çıkış modülü numarasını seçin:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="144"/>
        <source>Настройка фильтров</source>
        <translation>Filtre ayarları</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="145"/>
        <source>Фильтр</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="149"/>
        <source>Начало периода:</source>
        <translation>Dönem başı:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="150"/>
        <source>Конец периода:</source>
        <translation>Dönem sonu:</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="153"/>
        <source>Применить</source>
        <translation>Uygula</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="154"/>
        <source>Отмена</source>
        <translation>İptal</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="199"/>
        <source>Сообщение системы</source>
        <translation>Sistem mesajı</translation>
    </message>
    <message>
        <location filename="../eventlog/zmstorereportform.cpp" line="200"/>
        <source>Ошибка ввода! Начальная дата больше конечной!</source>
        <translation>Giriş hatası! Başlangıç tarihi bitiş tarihinden sonra!</translation>
    </message>
</context>
<context>
    <name>mirca::TZModeSelectForm</name>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="178"/>
        <source>Mirca-Y Выбор режима работы</source>
        <translation>Mirca-Y Çalışma modu seçimi</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="179"/>
        <source>Название режима:</source>
        <translation>Mod:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="181"/>
        <source>Настройка прибора</source>
        <translation>Panel yapılandırması</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="182"/>
        <source>Журнал событий</source>
        <translation>Olay günlüğü</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="186"/>
        <source>Описание режима:</source>
        <translation>Mod açıklaması:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="187"/>
        <source>Выберите режим, чтобы увидеть описание.</source>
        <translation>Açıklamasını görmek için bir mod seçin.</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="188"/>
        <source>Продолжить</source>
        <translation>Devam</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="189"/>
        <source>Выход</source>
        <translation>Çıkış</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="190"/>
        <source>Дополнительно:</source>
        <translation>Ek:</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="191"/>
        <source>Посетите наш сайт</source>
        <translation>Web sitemizi ziyaret edin</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="192"/>
        <source>Пишите нам</source>
        <translation>Bize yazın</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="193"/>
        <source>Настройки программы</source>
        <translation>Program ayarları</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="194"/>
        <source>Вызов справки</source>
        <translation>Yardım</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="368"/>
        <source>Не удалось открыть файл справки. Откройте его вручную:
%1</source>
        <translation>Yardım dosyası açılamadı. Lütfen kendiniz açın:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="383"/>
        <source>Не удалось открыть браузер. Адрес нашего сайта:
%1</source>
        <translation>Web tarayıcısı açılamadı. Web sitemizin adresi:
%1</translation>
    </message>
    <message>
        <location filename="../app/zmodeselectform.cpp" line="393"/>
        <source>Не удалось открыть почтовую программу. Напишите нам по адресу:
%1</source>
        <translation>E-posta programı açılamadı. Bize şu adresten yazın:
%1</translation>
    </message>
</context>
</TS>
