-- VYR Ferrowake: the game side of the overlay. Starts overlay_host from the kit and talks to it
-- over loopback UDP, one "VYRO <command> [argument]" datagram each: it sends the overlay's own
-- commands, hears the overlay's answers and hands the page's game requests to the game. Keys
-- and start-up come from package\config\vyr_overlay.ini.
--
-- The game loads this file, keeps the table it returns and calls start(game) once. What the
-- script asks of `game` (the README's "The game side and vyro" lists it):
--   game.read_file(path)            text of a file below the game folder, or nil
--   game.run_detached(path, args)   starts a program below the game folder, does not wait
--   game.udp_open(address, port)    a non-blocking UDP socket bound there, or nil and why:
--       socket:send_to(address, port, bytes), socket:receive() -> bytes, address, port (nil
--       when nothing waits), socket:close()
--   game.bind_key(key, fn)          fn() on each press of the key named in the ini (F9)
--   game.on_frame(fn)               fn(seconds) every frame, with a clock in seconds
--   game.on_exit(fn)                fn() when the game ends
--   game.command(cmd, arg)          carries out what the page asked for (open_map, ...)
--   game.overlay_changed(what, v)   optional: "state" (hidden|passive|active), "modal" (bool)
--   game.log(text)                  optional: a line in the game's log
local vyr = {}

local OVERLAY_PORT = 47632   -- overlay_host's default; [overlay] port changes it
local GAME_SIDE_PORT = 47630 -- the overlay's answers stay here once it has heard from it
local SETTINGS_FILE = "package\\config\\vyr_overlay.ini"
local OVERLAY_EXE = "overlay\\overlay_host.exe"
local HELLO_EVERY = 1.0      -- seconds between "state" asks until the overlay first answers
local MAX_DATAGRAM = 65535
local MAX_PER_FRAME = 64     -- datagrams read in one frame, so a flood cannot stall the game

-- [section] and key = value lines; lines starting with ; or # are comments. Keys and section
-- names are lower-cased, values trimmed.
function vyr.parse_ini(text)
    local sections, current = {}, nil
    for line in (text .. "\n"):gmatch("([^\n]*)\n") do
        line = line:gsub("\r$", ""):match("^%s*(.-)%s*$")
        local section = line:match("^%[(.-)%]$")
        if section then
            current = {}
            sections[section:lower()] = current
        elseif current and line ~= "" and not line:match("^[;#]") then
            local key, value = line:match("^([^=]-)%s*=%s*(.*)$")
            if key and key ~= "" then
                current[key:lower()] = value
            end
        end
    end
    return sections
end

-- A Lua string as a JSON string: quotes, backslashes and control characters escaped; UTF-8
-- passes as it is.
function vyr.json_string(text)
    local named = {['"'] = '\\"', ['\\'] = '\\\\', ['\n'] = '\\n', ['\r'] = '\\r', ['\t'] = '\\t'}
    local escaped = tostring(text):gsub('[%c"\\]', function(c)
        return named[c] or string.format("\\u%04x", c:byte())
    end)
    return '"' .. escaped .. '"'
end

local function log(text)
    if vyr.game and vyr.game.log then
        vyr.game.log("vyr: " .. text)
    end
end

-- Sends one command; false when there is no socket or the datagram would be too long.
function vyr.send(command, argument)
    local text = "VYRO " .. command
    if argument and argument ~= "" then
        text = text .. " " .. argument
    end
    if not vyr.socket or #text > MAX_DATAGRAM then
        return false
    end
    vyr.socket:send_to("127.0.0.1", vyr.port, text)
    return true
end

-- The overlay's commands. An empty pad shows the page's default pad.
function vyr.show(pad) return vyr.send("show", pad) end
function vyr.toggle(pad) return vyr.send("toggle", pad) end
function vyr.hide() return vyr.send("hide") end
function vyr.note(text) return vyr.send("note", vyr.json_string(text)) end
function vyr.note_json(json) return vyr.send("note", json) end
function vyr.page(json) return vyr.send("page", json) end
function vyr.ask_state() return vyr.send("state") end
function vyr.reload() return vyr.send("reload") end

function vyr.set_borderless(on)
    vyr.borderless = on
    return vyr.send("window", on and "borderless" or "framed")
end

local function changed(what, value)
    if vyr.game.overlay_changed then
        vyr.game.overlay_changed(what, value)
    end
end

-- The page's request for the game: "game CMD" or "game CMD ARG", as the overlay checks it.
local function game_request(text)
    local space = text:find(" ", 1, true)
    local cmd = space and text:sub(1, space - 1) or text
    local arg = space and text:sub(space + 1) or ""
    if #cmd > 39 or not cmd:match("^[a-z_]+$") or #arg >= 200 or arg:find("[\r\n]") then
        log("game request refused: " .. text:sub(1, 80))
        return
    end
    local ok, why = pcall(vyr.game.command, cmd, arg)
    if not ok then
        log("game.command " .. cmd .. " failed: " .. tostring(why))
    end
end

-- One datagram from the overlay; anything else is ignored.
function vyr.handle(text)
    local rest = text:match("^VYRO (.*)$")
    if not rest then
        return
    end
    local space = rest:find(" ", 1, true)
    local word = space and rest:sub(1, space - 1) or rest
    local argument = space and rest:sub(space + 1) or ""
    local known_state = argument == "hidden" or argument == "passive" or argument == "active"
    if word == "state" and known_state then
        local first = not vyr.heard
        vyr.heard, vyr.state = true, argument
        if first and vyr.borderless then
            vyr.set_borderless(true) -- asked for at start, before the overlay could hear it
        end
        changed("state", argument)
    elseif word == "modal" and (argument == "on" or argument == "off") then
        vyr.modal = argument == "on"
        changed("modal", vyr.modal)
    elseif word == "game" then
        game_request(argument)
    end
end

-- Every frame: asks until the overlay answers, then reads what it sent.
function vyr.tick(now)
    if not vyr.socket then
        return
    end
    if not vyr.heard and (not vyr.next_hello or now >= vyr.next_hello) then
        vyr.next_hello = now + HELLO_EVERY
        vyr.ask_state()
    end
    for _ = 1, MAX_PER_FRAME do
        local data, _, from_port = vyr.socket:receive()
        if not data then
            break
        end
        if from_port == vyr.port then
            vyr.handle(data)
        end
    end
end

local KEY_ACTIONS = {
    toggle = function() vyr.toggle(vyr.pad) end,
    show = function() vyr.show(vyr.pad) end,
    hide = function() vyr.hide() end,
    borderless = function() vyr.set_borderless(not vyr.borderless) end,
}

function vyr.start(game)
    vyr.game = game
    vyr.settings = vyr.parse_ini(game.read_file(SETTINGS_FILE) or "")
    local overlay = vyr.settings.overlay or {}
    local port = tonumber(overlay.port)
    vyr.port = (port and port >= 1 and port <= 65535 and port % 1 == 0) and port or OVERLAY_PORT
    vyr.pad = overlay.pad or ""
    vyr.borderless = overlay.borderless == "true"
    vyr.heard, vyr.state, vyr.modal = false, nil, false
    local why
    vyr.socket, why = game.udp_open("127.0.0.1", GAME_SIDE_PORT)
    if not vyr.socket then
        log("no UDP port " .. GAME_SIDE_PORT .. " for the overlay: " .. tostring(why))
        return false
    end
    local args = {"--port", tostring(vyr.port)}
    if overlay.show_at_start == "true" then
        args[#args + 1] = "--show"
    end
    game.run_detached(OVERLAY_EXE, args)
    for action, key in pairs(vyr.settings.keys or {}) do
        if not KEY_ACTIONS[action] then
            log("unknown key action '" .. action .. "' in " .. SETTINGS_FILE)
        elseif key ~= "" then
            game.bind_key(key, KEY_ACTIONS[action])
        end
    end
    game.on_frame(vyr.tick)
    game.on_exit(vyr.stop)
    return true
end

-- Ends the overlay and lets go of the port.
function vyr.stop()
    if vyr.socket then
        vyr.send("bye")
        vyr.socket:close()
        vyr.socket = nil
    end
end

return vyr
