-- VYR Ferrowake: the game side of the overlay. Starts overlay_host from the kit and talks to it
-- over loopback UDP (port 47632, from 47630), one "VYRO <command> [argument]" datagram each.
local vyr = {}

local OVERLAY_PORT = 47632
local GAME_SIDE_PORT = 47630

function vyr.start(game)
    game.run_detached("overlay\\overlay_host.exe", {"--port", tostring(OVERLAY_PORT)})
    vyr.socket = game.udp_open("127.0.0.1", GAME_SIDE_PORT)
end

function vyr.send(command, argument)
    local text = "VYRO " .. command
    if argument and argument ~= "" then
        text = text .. " " .. argument
    end
    vyr.socket:send_to("127.0.0.1", OVERLAY_PORT, text)
end

function vyr.on_key(key)
    if key == vyr.keys.toggle then
        vyr.send("toggle")
    elseif key == vyr.keys.map then
        vyr.send("game", "open_map")
    end
end

function vyr.stop()
    vyr.send("bye")
    vyr.socket:close()
end

return vyr
