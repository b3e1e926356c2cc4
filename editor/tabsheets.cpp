#include "editor/tabsheets.h"

#include <array>

// The design texts here are window texts: marked for the translation files, translated by the window in
// the context "TabSheets".
#define QT_TRANSLATE_NOOP(context, text) text

namespace mirca {

namespace {

using K = TControlKind;

constexpr TSheetControl Control(TControlKind kind, std::string_view name, std::string_view caption,
                                bool hidden = false, std::span<const std::string_view> items = {}) {
    TSheetControl control;
    control.kind = kind;
    control.name = name;
    control.caption = caption;
    control.hidden = hidden;
    control.items = items;
    return control;
}

constexpr TSheetControl Text(std::string_view caption) {
    return Control(K::Label, {}, caption);
}

// Sheets that only tell the user something.
constexpr std::array kInWork{Text(QT_TRANSLATE_NOOP("TabSheets", "Находится на стадии разработки"))};
constexpr std::array kSelectSubMenu{Text(QT_TRANSLATE_NOOP("TabSheets", "Выберите подраздел из списка"))};
constexpr std::array kWaitForSynchronize{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Идет синхронизация с прибором. Пожалуйста подождите…"))};
constexpr std::array kDeviceNotSupport{Text(QT_TRANSLATE_NOOP(
    "TabSheets",
    "Подключенный прибор не поддерживается программой. Программа переходит в режим \"Демо\"..."))};
constexpr std::array kMapUnavailable{Text(QT_TRANSLATE_NOOP(
    "TabSheets",
    "Файл карты памяти подключенного прибора не найден или повреждён (см. сообщение). Программа переходит в "
    "режим \"Демо\"..."))};
constexpr std::array kRvaPima{Text(QT_TRANSLATE_NOOP(
    "TabSheets",
    "Внимание! Для РПУ PIMA недоступен режим смены настроек. Вы можете сменить только прошивку. Для этого "
    "выйдите из режима смены настроек (закройте данное окно) и перейдите в режим смены ПО прибора и внешних "
    "модулей."))};

// The settings page of one system output: the window enables the duration for the sound mode only; nothing
// here reaches the map.
constexpr std::array<std::string_view, 4> kSysOutModes{
    QT_TRANSLATE_NOOP("TabSheets", "ПЦН тревога"), QT_TRANSLATE_NOOP("TabSheets", "Контрольная лампа"),
    QT_TRANSLATE_NOOP("TabSheets", "Звуковой"), QT_TRANSLATE_NOOP("TabSheets", "Тревога")};
constexpr std::array kSysOutsSettings{
    Control(K::ComboBox, "YSOSChooseSysOutCmB", QT_TRANSLATE_NOOP("TabSheets", "Системный выход:")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Физический выход:")),
    Control(K::Label, "PhysOutLb", QT_TRANSLATE_NOOP("TabSheets", "Не определен")),
    Control(K::RadioGroup, "YSOSWorkModeRdG", QT_TRANSLATE_NOOP("TabSheets", "Режим работы выхода:"), false,
            kSysOutModes),
    Control(K::ComboBox, "YSOSWorkTimeCmB", QT_TRANSLATE_NOOP("TabSheets", "Длительность (мин):")),
};

// The session reads the check box (backup with every read, automatic backup after a save) and the object
// number of automatic backups; the communicator switches are inert.
constexpr std::array kSpecSettings{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Коммуникатор")),
    Control(K::CheckBox, {}, QT_TRANSLATE_NOOP("TabSheets", "Передача извещений по телефонной линии")),
    Control(K::CheckBox, {}, QT_TRANSLATE_NOOP("TabSheets", "Контроль телефонной линии")),
    Control(K::CheckBox, "Z937bakChB",
            QT_TRANSLATE_NOOP("TabSheets", "Считать/записать резервную копию данных о регистрации")),
    Control(K::Edit, "ObjNumEdit", "1", true),
    Control(K::Label, "RCopyFNameLabel2", "", true),
};

// The other device family's backup page: the session disables its buttons on disconnect, nothing else.
constexpr std::array kRBackup{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Резервная копия данных о регистрации")),
    Control(K::Button, "CreateBackupBtn", QT_TRANSLATE_NOOP("TabSheets", "Создать резервную копию")),
    Control(K::Button, "RestoreBackupBtn", QT_TRANSLATE_NOOP("TabSheets", "Восстановить из резервной копии")),
};

// Settings pages of another device family: what each is about, nothing more.
constexpr std::array kRMainSettings{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Пароли оператора, инженера и удаленного доступа")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Режимы внутреннего и внешнего звука")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Подсветка ЖКИ")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Задержки на вход и на выход"))};
constexpr std::array kRPartitions{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Разделы прибора")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Шлейфы раздела")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Задержки раздела на вход и на выход"))};
constexpr std::array kRVoiceModule{Text(QT_TRANSLATE_NOOP("TabSheets", "Голосовой модуль")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Сообщения голосового модуля")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Телефоны для голосовых сообщений"))};
constexpr std::array kRAssignments{Text(QT_TRANSLATE_NOOP("TabSheets", "Назначение выходов")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Выход")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "События, включающие выход"))};
constexpr std::array kRZoneAssignments{Text(QT_TRANSLATE_NOOP("TabSheets", "Назначение шлейфов разделам")),
                                       Text(QT_TRANSLATE_NOOP("TabSheets", "Шлейф")),
                                       Text(QT_TRANSLATE_NOOP("TabSheets", "Раздел"))};
constexpr std::array kRTouchMemory{Text(QT_TRANSLATE_NOOP("TabSheets", "Ключи Touch Memory")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Номер ключа")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Код ключа")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Разделы ключа"))};
constexpr std::array kRArmDisarmCodes{Text(QT_TRANSLATE_NOOP("TabSheets", "Коды постановки и снятия")),
                                      Text(QT_TRANSLATE_NOOP("TabSheets", "Номер кода")),
                                      Text(QT_TRANSLATE_NOOP("TabSheets", "Код")),
                                      Text(QT_TRANSLATE_NOOP("TabSheets", "Разделы кода"))};
constexpr std::array kRSysouts{Text(QT_TRANSLATE_NOOP("TabSheets", "Системные выходы")),
                               Text(QT_TRANSLATE_NOOP("TabSheets", "Режим работы выхода")),
                               Text(QT_TRANSLATE_NOOP("TabSheets", "Длительность включения"))};
constexpr std::array kRRiNoticeStatus{Text(QT_TRANSLATE_NOOP("TabSheets", "Статусы извещений радиоканала")),
                                      Text(QT_TRANSLATE_NOOP("TabSheets", "Событие")),
                                      Text(QT_TRANSLATE_NOOP("TabSheets", "Статус извещения"))};
constexpr std::array kRRiCodes{Text(QT_TRANSLATE_NOOP("TabSheets", "Коды радиоканала")),
                               Text(QT_TRANSLATE_NOOP("TabSheets", "Номер кода")),
                               Text(QT_TRANSLATE_NOOP("TabSheets", "Код"))};
constexpr std::array kRRiObjectsAssignments{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Назначение объектов радиоканала")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Объект")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Номер объекта на пульте"))};
constexpr std::array kRTelDialerMainSettings{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Телефонный коммуникатор: основные настройки")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Тип набора номера")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Число попыток дозвона"))};
constexpr std::array kRTelDialerRecipients{Text(QT_TRANSLATE_NOOP("TabSheets", "Получатели извещений")),
                                           Text(QT_TRANSLATE_NOOP("TabSheets", "Номер телефона")),
                                           Text(QT_TRANSLATE_NOOP("TabSheets", "Протокол передачи"))};
constexpr std::array kRTelDialerTransmissionPeriodicity{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Периодичность тестовых извещений")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Интервал (ч)"))};
constexpr std::array kRTelDialerTonalSequence{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Тональные последовательности")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Событие")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Последовательность"))};
constexpr std::array kRTelDialerDigitalCodes{Text(QT_TRANSLATE_NOOP("TabSheets", "Цифровые коды событий")),
                                             Text(QT_TRANSLATE_NOOP("TabSheets", "Событие")),
                                             Text(QT_TRANSLATE_NOOP("TabSheets", "Код"))};
constexpr std::array kRBellSettings{Text(QT_TRANSLATE_NOOP("TabSheets", "Звонки")),
                                    Text(QT_TRANSLATE_NOOP("TabSheets", "Режим звонка")),
                                    Text(QT_TRANSLATE_NOOP("TabSheets", "Длительность звонка"))};
constexpr std::array kRTelDialerDialupGroups{Text(QT_TRANSLATE_NOOP("TabSheets", "Группы дозвона")),
                                             Text(QT_TRANSLATE_NOOP("TabSheets", "Номер группы")),
                                             Text(QT_TRANSLATE_NOOP("TabSheets", "Телефоны группы"))};
constexpr std::array kRTelDialerRemoteCtrl{
    Text(QT_TRANSLATE_NOOP("TabSheets", "Удаленное управление по телефону")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Пароль удаленного доступа")),
    Text(QT_TRANSLATE_NOOP("TabSheets", "Разрешенные команды"))};
constexpr std::array kRRvaSysouts{Text(QT_TRANSLATE_NOOP("TabSheets", "Выходы радиорасширителя")),
                                  Text(QT_TRANSLATE_NOOP("TabSheets", "Выход")),
                                  Text(QT_TRANSLATE_NOOP("TabSheets", "Режим работы"))};
constexpr std::array kRRvaWorkMode{Text(QT_TRANSLATE_NOOP("TabSheets", "Режим работы радиорасширителя")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Режим")),
                                   Text(QT_TRANSLATE_NOOP("TabSheets", "Адрес"))};
constexpr std::array kRRvaRelay{Text(QT_TRANSLATE_NOOP("TabSheets", "Реле радиорасширителя")),
                                Text(QT_TRANSLATE_NOOP("TabSheets", "Реле 1")),
                                Text(QT_TRANSLATE_NOOP("TabSheets", "Реле 2"))};

// A sheet left over from the design, with controls that do nothing.
constexpr std::array kTabSheet1{
    Control(K::Memo, {}, ""),
    Control(K::ListView, {}, ""),
    Control(K::Button, {}, "Button1"),
    Control(K::Button, {}, "Button2"),
};

using B = TSheetBinding;

constexpr std::array<TTabSheet, 40> kSheets{{
    {"InWorkTS", B::None, kInWork},
    {"SelectSubMenuTS", B::None, kSelectSubMenu},
    {"WaitForSynchronizeTS", B::None, kWaitForSynchronize},
    {"DeviceNotSupportTS", B::None, kDeviceNotSupport},
    {"MapUnavailableTS", B::None, kMapUnavailable},
    {"RRvaPimaTS", B::None, kRvaPima},
    {"YMainSettingsTS", B::Map, {}},
    {"YNoticeStatusTS", B::Map, {}},
    {"YCodesTS", B::Map, {}},
    {"RRiRelayTS", B::Map, {}},
    {"YSysOutsAssignInSysTS", B::Map, {}},
    {"YSysOutsSettingsTS", B::None, kSysOutsSettings},
    {"YAssignsSysOutsInObjectsTS", B::Map, {}},
    {"YAssignsIIinObjectsTS", B::Map, {}},
    {"YBackupTS", B::Map, {}},
    {"RSpecSettingsTS", B::Controls, kSpecSettings},
    {"RBackupTS", B::None, kRBackup},
    {"RMainSettingsTS", B::None, kRMainSettings},
    {"RPartitionsTS", B::None, kRPartitions},
    {"RVoiceModuleTS", B::None, kRVoiceModule},
    {"RAssignmentsTS", B::None, kRAssignments},
    {"RZoneAssignmentsTS", B::None, kRZoneAssignments},
    {"RTouchMemoryTS", B::None, kRTouchMemory},
    {"RArmDisarmCodesTS", B::None, kRArmDisarmCodes},
    {"RSysoutsTS", B::None, kRSysouts},
    {"RRiNoticeStatusTS", B::None, kRRiNoticeStatus},
    {"RRiCodesTS", B::None, kRRiCodes},
    {"RRiObjectsAssignmentsTS", B::None, kRRiObjectsAssignments},
    {"RTelDialerMainSettingsTS", B::None, kRTelDialerMainSettings},
    {"RTelDialerRecipientsTS", B::None, kRTelDialerRecipients},
    {"RTelDialerTransmissionPeriodicityTS", B::None, kRTelDialerTransmissionPeriodicity},
    {"RTelDialerTonalSequenceTS", B::None, kRTelDialerTonalSequence},
    {"RTelDialerDigitalCodesTS", B::None, kRTelDialerDigitalCodes},
    {"RBellSettingsTS", B::None, kRBellSettings},
    {"RTelDialerDialupGroupsTS", B::None, kRTelDialerDialupGroups},
    {"RTelDialerRemoteCtrlTS", B::None, kRTelDialerRemoteCtrl},
    {"RRvaSysoutsTS", B::None, kRRvaSysouts},
    {"RRvaWorkModeTS", B::None, kRRvaWorkMode},
    {"RRvaRelayTS", B::None, kRRvaRelay},
    {"TabSheet1", B::None, kTabSheet1},
}};

}  // namespace

std::span<const TTabSheet> TabSheets() {
    return kSheets;
}

const TTabSheet* FindTabSheet(std::string_view name) {
    for (const TTabSheet& sheet : kSheets)
        if (sheet.name == name) return &sheet;
    return nullptr;
}

std::string GroupBoxName(std::string_view page) {
    return std::string(page.substr(0, page.size() < 2 ? 0 : page.size() - 2)) + "GB";
}

}  // namespace mirca
