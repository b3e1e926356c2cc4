#include "editor/tabsheets.h"

#include <array>

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
constexpr std::array kInWork{Text("Находится на стадии разработки")};
constexpr std::array kSelectSubMenu{Text("Выберите подраздел из списка")};
constexpr std::array kWaitForSynchronize{Text("Идет синхронизация с прибором. Пожалуйста подождите…")};
constexpr std::array kDeviceNotSupport{
    Text("Подключенный прибор не поддерживается программой. Программа переходит в режим \"Демо\"...")};
constexpr std::array kRvaPima{Text(
    "Внимание! Для РПУ PIMA недоступен режим смены настроек. Вы можете сменить только прошивку. Для этого "
    "выйдите из режима смены настроек (закройте данное окно) и перейдите в режим смены ПО прибора и внешних "
    "модулей.")};

// The settings page of one system output: the window enables the duration for the sound mode only; nothing
// here reaches the map.
constexpr std::array<std::string_view, 4> kSysOutModes{"ПЦН тревога", "Контрольная лампа", "Звуковой",
                                                       "Тревога"};
constexpr std::array kSysOutsSettings{
    Control(K::ComboBox, "YSOSChooseSysOutCmB", "Системный выход:"),
    Text("Физический выход:"),
    Control(K::Label, "PhysOutLb", "Не определен"),
    Control(K::RadioGroup, "YSOSWorkModeRdG", "Режим работы выхода:", false, kSysOutModes),
    Control(K::ComboBox, "YSOSWorkTimeCmB", "Длительность (мин):"),
};

// The session reads the check box (backup with every read, automatic backup after a save) and the object
// number of automatic backups; the communicator switches are inert.
constexpr std::array kSpecSettings{
    Text("Коммуникатор"),
    Control(K::CheckBox, {}, "Передача извещений по телефонной линии"),
    Control(K::CheckBox, {}, "Контроль телефонной линии"),
    Control(K::CheckBox, "Z937bakChB", "Считать/записать резервную копию данных о регистрации"),
    Control(K::Edit, "ObjNumEdit", "1", true),
    Control(K::Label, "RCopyFNameLabel2", "", true),
};

// The other device family's backup page: the session disables its buttons on disconnect, nothing else.
constexpr std::array kRBackup{
    Text("Резервная копия данных о регистрации"),
    Control(K::Button, "CreateBackupBtn", "Создать резервную копию"),
    Control(K::Button, "RestoreBackupBtn", "Восстановить из резервной копии"),
};

// Settings pages of another device family: what each is about, nothing more.
constexpr std::array kRMainSettings{Text("Пароли оператора, инженера и удаленного доступа"),
                                    Text("Режимы внутреннего и внешнего звука"), Text("Подсветка ЖКИ"),
                                    Text("Задержки на вход и на выход")};
constexpr std::array kRPartitions{Text("Разделы прибора"), Text("Шлейфы раздела"),
                                  Text("Задержки раздела на вход и на выход")};
constexpr std::array kRVoiceModule{Text("Голосовой модуль"), Text("Сообщения голосового модуля"),
                                   Text("Телефоны для голосовых сообщений")};
constexpr std::array kRAssignments{Text("Назначение выходов"), Text("Выход"),
                                   Text("События, включающие выход")};
constexpr std::array kRZoneAssignments{Text("Назначение шлейфов разделам"), Text("Шлейф"), Text("Раздел")};
constexpr std::array kRTouchMemory{Text("Ключи Touch Memory"), Text("Номер ключа"), Text("Код ключа"),
                                   Text("Разделы ключа")};
constexpr std::array kRArmDisarmCodes{Text("Коды постановки и снятия"), Text("Номер кода"), Text("Код"),
                                      Text("Разделы кода")};
constexpr std::array kRSysouts{Text("Системные выходы"), Text("Режим работы выхода"),
                               Text("Длительность включения")};
constexpr std::array kRRiNoticeStatus{Text("Статусы извещений радиоканала"), Text("Событие"),
                                      Text("Статус извещения")};
constexpr std::array kRRiCodes{Text("Коды радиоканала"), Text("Номер кода"), Text("Код")};
constexpr std::array kRRiObjectsAssignments{Text("Назначение объектов радиоканала"), Text("Объект"),
                                            Text("Номер объекта на пульте")};
constexpr std::array kRTelDialerMainSettings{Text("Телефонный коммуникатор: основные настройки"),
                                             Text("Тип набора номера"), Text("Число попыток дозвона")};
constexpr std::array kRTelDialerRecipients{Text("Получатели извещений"), Text("Номер телефона"),
                                           Text("Протокол передачи")};
constexpr std::array kRTelDialerTransmissionPeriodicity{Text("Периодичность тестовых извещений"),
                                                        Text("Интервал (ч)")};
constexpr std::array kRTelDialerTonalSequence{Text("Тональные последовательности"), Text("Событие"),
                                              Text("Последовательность")};
constexpr std::array kRTelDialerDigitalCodes{Text("Цифровые коды событий"), Text("Событие"), Text("Код")};
constexpr std::array kRBellSettings{Text("Звонки"), Text("Режим звонка"), Text("Длительность звонка")};
constexpr std::array kRTelDialerDialupGroups{Text("Группы дозвона"), Text("Номер группы"),
                                             Text("Телефоны группы")};
constexpr std::array kRTelDialerRemoteCtrl{Text("Удаленное управление по телефону"),
                                           Text("Пароль удаленного доступа"), Text("Разрешенные команды")};
constexpr std::array kRRvaSysouts{Text("Выходы радиорасширителя"), Text("Выход"), Text("Режим работы")};
constexpr std::array kRRvaWorkMode{Text("Режим работы радиорасширителя"), Text("Режим"), Text("Адрес")};
constexpr std::array kRRvaRelay{Text("Реле радиорасширителя"), Text("Реле 1"), Text("Реле 2")};

// A sheet left over from the design, with controls that do nothing.
constexpr std::array kTabSheet1{
    Control(K::Memo, {}, ""),
    Control(K::ListView, {}, ""),
    Control(K::Button, {}, "Button1"),
    Control(K::Button, {}, "Button2"),
};

using B = TSheetBinding;

constexpr std::array<TTabSheet, 39> kSheets{{
    {"InWorkTS", B::None, kInWork},
    {"SelectSubMenuTS", B::None, kSelectSubMenu},
    {"WaitForSynchronizeTS", B::None, kWaitForSynchronize},
    {"DeviceNotSupportTS", B::None, kDeviceNotSupport},
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
