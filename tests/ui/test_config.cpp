// The configuration file: reading, writing and the special keys.
#include "test_folders.h"

#include "files/game_file.h"
#include "platform/names.h"
#include "ui/config.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include <functional>

namespace
{

class ConfigFile : public GameFolderTest
{
  protected:
    Config config;
    void SetUp() override
    {
        GameFolderTest::SetUp();
        config_defaults(&config);
    }
    std::string config_path() const { return home() + "/config"; }
    void read(const std::string &text)
    {
        write_file(config_path(), text);
        config_read(&config);
    }
    std::string written()
    {
        EXPECT_TRUE(config_write(&config));
        return read_file(config_path());
    }
};

TEST_F(ConfigFile, DefaultsAreWrittenInFileOrder)
{
    std::string text = written();
    EXPECT_EQ(text.rfind("xres=640\nyres=480\ndraw_fps=0\ndraw_time=0\ndraw_ping=1\nspy=0\nrecord=", 0), 0u);
    for (const char *line :
         {"\nrecord=No\nskill=Novice\nminutes=0.000000\nlaps=5.000000\nslot00=Empty\n",
          "\nslot17=Robot\nslot18=Robot\nslot19=Human\nslot20=Robot\n",
          "\nbike=crf250(2009)\nname=Joe Motocross\nnumber=999\nrider_texture=default\n",
          "\nrider_mass_distribution=0.330000\nvideo_mode=Default Fullscreen\nserver_name=",
          "\nserver_name_hist15=\nground_detail=50.000000\n", "\nbillboard_optimize_lookahead=8\nthrottle_key=(k)x\n",
          "\ndab_key=(k)right ctrl\n", "\nrewind_key=(k)\\\n",
          // The pad's bindings after the keys: the pad layout.
          "\nscreenshot_key=(k)s\nthrottle_pad=(0.062500,0.937500)Pad axis 5\n",
          "\nleft_pad=(-0.062500,-0.937500)Pad axis 0\n", "\nrear_brake_pad=(k)Pad button 0\n", "\npause_pad=\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    const std::string tail = "\nscreenshot_pad=(k)Pad button 4\nrumble=50.000000\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(text.find("ground_texture_distance"), std::string::npos);
}

TEST_F(ConfigFile, WrittenFileReadsBackToTheSameSettings)
{
    slider_set(&config.stability, 37);
    apply_stability(&config, 37);
    slider_set(&config.volume, 3);
    config.xres = 1280;
    choice_select(&config.bike, "kx125");
    config.name.text = "Dusty";
    config.server_name_hist[3].text = "race.example.org";
    config.bindings[BIND_THROTTLE].binding = {nullptr, 0, name_intern("Joystick1.axis[1]"), nullptr, 0.1f, 0.9f};
    config.bindings[BIND_CHAT].binding = ControlBinding{nullptr, 0, nullptr, nullptr, 0, 1};
    choice_select(&config.slots[5], "Robot (2 stroke)");
    config.pad_bindings[BIND_CLUTCH].binding = {
        name_intern("XboxController-0a1b2c3d button 3"), 0, nullptr, nullptr, 0, 1};
    pad_setting(&config, "XboxController-0a1b2c3d")->dead_zone.value = 12;
    config.rumble.value = 30;
    std::string first = written();

    Config again;
    config_defaults(&again);
    config_read(&again);
    ASSERT_TRUE(config_write(&again));
    EXPECT_EQ(read_file(config_path()), first);
    EXPECT_EQ(again.xres, 1280);
    EXPECT_EQ(again.stability.value, 37);
    EXPECT_EQ(std::string(choice_name(again.bike)), "kx125");
    EXPECT_EQ(again.bindings[BIND_CHAT].binding.key_name, nullptr); // unbound stays unbound
    EXPECT_STREQ(again.bindings[BIND_THROTTLE].binding.axis_name, "Joystick1.axis[1]");
    EXPECT_STREQ(again.pad_bindings[BIND_CLUTCH].binding.key_name, "XboxController-0a1b2c3d button 3");
    EXPECT_STREQ(again.pad_bindings[BIND_THROTTLE].binding.axis_name, "Pad axis 5") << "the pad layout";
    ASSERT_EQ(again.pads.size(), 1u);
    EXPECT_EQ(again.pads[0].dead_zone.value, 12);
    EXPECT_EQ(again.rumble.value, 30);
}

struct LineCase {
    const char *line;
    std::function<bool(const Config &)> holds;
};

TEST_F(ConfigFile, LineByLineRules)
{
    std::string seventy(70, 'n');
    const LineCase cases[] = {
        {"volume=25\n", [](const Config &c) { return c.volume.value == 10; }},
        {"volume=loud\n", [](const Config &c) { return c.volume.value == 10; }},
        {"volume=-3\n", [](const Config &c) { return c.volume.value == 0; }},
        {"volume=4\r\n", [](const Config &c) { return c.volume.value == 4; }},
        {"volume =4\n", [](const Config &c) { return c.volume.value == 10; }},
        {"xres=1024x\n", [](const Config &c) { return c.xres == 1024; }},
        {"xres=wide\n", [](const Config &c) { return c.xres == 640; }},
        {"no equals sign\n", [](const Config &c) { return c.xres == 640; }},
        {"Volume=4\n", [](const Config &c) { return c.volume.value == 10; }},
        {"skill=Expert\r\n", [](const Config &c) { return c.skill.index == 2; }},
        {"skill=expert\n", [](const Config &c) { return c.skill.index == 0; }},
        {"bike=yz250f\n", [](const Config &c) { return std::string(choice_name(c.bike)) == "yz250f(2008)"; }},
        {"bike=YZ250F\n", [](const Config &c) { return c.bike.index == 0; }},
        {"name=Valid = Name\n", [](const Config &c) { return c.name.text == "Valid = Name"; }},
        {"number=12345\n", [](const Config &c) { return c.number.text == "123"; }},
        {"ground_texture_distance=5\n", [](const Config &c) { return c.xres == 640; }},
        {"throttle_key=(k)a\n",
         [](const Config &c) { return c.bindings[BIND_THROTTLE].binding.key_name == name_intern("a"); }},
        {"throttle_key=  a\n",
         [](const Config &c) { return c.bindings[BIND_THROTTLE].binding.key_name == name_intern("a"); }},
        {"throttle_key=(0.1,0.9)Joystick1.axis[1]\n",
         [](const Config &c) {
             const ControlBinding &b = c.bindings[BIND_THROTTLE].binding;
             return !b.key_name && b.axis_name == name_intern("Joystick1.axis[1]") && b.lo == 0.1f && b.hi == 0.9f;
         }},
        {"throttle_key=\n",
         [](const Config &c) {
             const ControlBinding &b = c.bindings[BIND_THROTTLE].binding;
             return !b.key_name && !b.axis_name;
         }},
        {"stability=0\n",
         [](const Config &c) {
             return c.roll_damping.value == 40 && c.roll_limit_angle.value == 90 && c.roll_limit_factor.value == 0 &&
                    c.land_damping_factor.value == 1;
         }},
        {"stability=50\n",
         [](const Config &c) {
             // Half way between the third and fourth preset points.
             return c.roll_damping.value == 65 && c.roll_limit_angle.value == 42.5 &&
                    c.slow_damping_factor.value == 1.75;
         }},
    };
    for (const LineCase &c : cases) {
        config_defaults(&config);
        read(c.line);
        EXPECT_TRUE(c.holds(config)) << c.line;
    }

    config_defaults(&config);
    read("name=" + seventy + "\n");
    EXPECT_EQ(config.name.text, seventy.substr(0, 63));
    read("server_name_hist02=" + std::string(128, 'h') + "\nserver_name_hist03=" + std::string(127, 'h') + "\n");
    EXPECT_EQ(config.server_name_hist[2].text, "");
    EXPECT_EQ(config.server_name_hist[3].text, std::string(127, 'h'));
}

// Values no configuration holds never reach a conversion: a slider keeps
// its value for a number that is not one and clamps infinities, whole
// numbers clamp to the range of int, an axis range must be finite.
TEST_F(ConfigFile, HostileNumbersKeepEverySettingUsable)
{
    const LineCase cases[] = {
        {"volume=nan\n", [](const Config &c) { return c.volume.value == 10; }},
        {"volume=-nan\n", [](const Config &c) { return c.volume.value == 10; }},
        {"volume=inf\n", [](const Config &c) { return c.volume.value == c.volume.maximum; }},
        {"volume=-1e400\n", [](const Config &c) { return c.volume.value == c.volume.minimum; }},
        {"stability=nan\n", [](const Config &c) { return std::isfinite(c.roll_damping.value); }},
        {"stability=1e300\n", [](const Config &c) { return std::isfinite(c.roll_damping.value); }},
        {"xres=99999999999999999999\n", [](const Config &c) { return c.xres == INT_MAX; }},
        {"xres=-99999999999\n", [](const Config &c) { return c.xres == INT_MIN; }},
        {"throttle_key=(nan,0.9)Joystick1.axis[1]\n",
         [](const Config &c) { return !c.bindings[BIND_THROTTLE].binding.axis_name; }},
        {"throttle_key=(0,1e39)Joystick1.axis[1]\n",
         [](const Config &c) { return !c.bindings[BIND_THROTTLE].binding.axis_name; }},
    };
    for (const LineCase &c : cases) {
        config_defaults(&config);
        read(c.line);
        EXPECT_TRUE(c.holds(config)) << c.line;
    }
}

TEST_F(ConfigFile, BikeChoiceRebuildsTheBikeSkinsBeforeTheirKey)
{
    write_file(data / "zzzz.saf", archive_bytes({{"bikes/kx125-green.png", "p"},
                                                 {"bikes/crf250-red.png", "p"},
                                                 {"bikes/kx125-green_norm.png", "p"},
                                                 {"rider_body-blue.png", "p"}}));
    config_build_skin_lists(&config);
    EXPECT_EQ(config.bike_texture.names, (std::vector<std::string>{"default", "red"}));
    read("bike=kx125\nbike_texture=green\nrider_texture=blue\n");
    EXPECT_EQ(config.bike_texture.names, (std::vector<std::string>{"default", "green"}));
    EXPECT_EQ(std::string(choice_name(config.bike_texture)), "green");
    EXPECT_EQ(config.bike_texture.values[1], "@bikes/kx125-green.png");
    EXPECT_EQ(std::string(choice_name(config.rider_texture)), "blue");
}

TEST_F(ConfigFile, MissingFileKeepsDefaultsAndWriteKeepsTheOldFileOnFailure)
{
    config_read(&config);
    EXPECT_EQ(config.volume.value, 10);

    write_file(config_path(), "volume=3\n");
    // A folder where the new file must go makes the write fail.
    write_file(config_path() + ".new/blocker", "");
    EXPECT_FALSE(config_write(&config));
    EXPECT_EQ(read_file(config_path()), "volume=3\n");
}

} // namespace
