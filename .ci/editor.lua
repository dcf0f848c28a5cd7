-- Run by .ci/editor.sh inside headless Neovim, whose configuration is only
-- doc/editors/scenario.lua, installed as the documentation says. Opening a
-- train description that holds a mistake starts `scenarioc lsp`; this
-- script reads the diagnostic back, asks for a hover, fixes the row, turns
-- a keyword into a misspelt one and applies the quick fix the server
-- offers, and reads the signature help of a value. Any failure ends Neovim
-- with status 1.
local file = os.getenv('TRAIN_TEXT')
local row = tonumber(os.getenv('MISTAKE_LINE')) - 1 -- 0-based, as the protocol counts

local function say(what) io.stdout:write(what .. '\n') end

local function fail(what)
  io.stderr:write('editor test: ' .. what .. '\n')
  vim.cmd('cquit 1')
end

local function code_of(d)
  return d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)
end

local function diagnostics_with(buf, code)
  local found = {}
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    if code_of(d) == code then table.insert(found, d) end
  end
  return found
end

local function request(buf, method, params)
  local replies = vim.lsp.buf_request_sync(buf, method, params, 10000) or {}
  for _, reply in pairs(replies) do
    if reply.result then return reply.result end
  end
end

vim.cmd('edit ' .. vim.fn.fnameescape(file))
local buf = vim.api.nvim_get_current_buf()
if vim.bo[buf].filetype ~= 'scenario' then fail('the set-up did not make the text a scenario') end
if not vim.wait(10000, function() return #vim.lsp.buf_get_clients(buf) > 0 end, 50) then
  fail('the set-up started no client')
end

-- The diagnostic, on the row with the mistake.
if not vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 50) then
  fail('no diagnostic arrived')
end
local d = vim.diagnostic.get(buf)[1]
if code_of(d) ~= 'error-16' then fail('diagnostic code ' .. tostring(code_of(d))) end
if d.lnum ~= row then fail('diagnostic on line ' .. d.lnum .. ', not ' .. row) end
if d.severity ~= vim.diagnostic.severity.ERROR then fail('not an error') end
say('diagnostic: line ' .. (d.lnum + 1) .. ': ' .. (d.message:gsub('\n.*', '')))

-- A hover on the row's position field: the row was refused, and the hover
-- says so and why instead of showing values the compiler never stored.
local at_position = { textDocument = vim.lsp.util.make_text_document_params(), position = { line = row, character = 13 } }
local hover = request(buf, 'textDocument/hover', at_position)
hover = hover and hover.contents.value
if not hover or not hover:find('segnale', 1, true) or not hover:find('Refused', 1, true)
    or not hover:find('error 16', 1, true) then
  fail('hover: ' .. tostring(hover))
end
say('hover: ' .. (hover:gsub('\n.*', '')))

-- The signature help of the value under the cursor: the signal's position.
local help = request(buf, 'textDocument/signatureHelp', at_position)
local signature = help and help.signatures and help.signatures[(help.activeSignature or 0) + 1]
local active = signature and (signature.activeParameter or help.activeParameter)
local parameter = signature and active and signature.parameters[active + 1]
local name = parameter and (type(parameter.label) == 'string' and parameter.label
  or signature.label:sub(parameter.label[1] + 1, parameter.label[2]))
if not signature or not signature.label:find('segnale', 1, true) or name ~= 'position' then
  fail('signature help: ' .. vim.inspect(help))
end
say('signature help: ' .. signature.label .. ', value ' .. name)

-- Fixed in the buffer (not on disk): the diagnostic goes.
local text = vim.api.nvim_buf_get_lines(buf, row, row + 1, true)[1]
vim.api.nvim_buf_set_lines(buf, row, row + 1, true, { (text:gsub('1650', '4200', 1)) })
if not vim.wait(20000, function() return #vim.diagnostic.get(buf) == 0 end, 50) then
  fail('the diagnostic stayed after the fix')
end
say('fixed: no diagnostic')

-- A misspelt keyword, and the quick fix the server offers for it, applied
-- as a user applies it (the one action chosen from the menu).
local sound = vim.api.nvim_buf_get_lines(buf, row, row + 1, true)[1]
vim.api.nvim_buf_set_lines(buf, row, row + 1, true, { (sound:gsub('^segnale', 'segnalle')) })
if not vim.wait(20000, function() return #diagnostics_with(buf, 'unknown-keyword') > 0 end, 50) then
  fail('no unknown-keyword warning for segnalle')
end
vim.api.nvim_win_set_cursor(0, { row + 1, 2 })
vim.ui.select = function(items, _, on_choice) on_choice(items[1], 1) end
vim.lsp.buf.code_action()
if not vim.wait(20000, function()
  return vim.api.nvim_buf_get_lines(buf, row, row + 1, true)[1] == sound and #vim.diagnostic.get(buf) == 0
end, 50) then
  fail('the quick fix left ' .. vim.api.nvim_buf_get_lines(buf, row, row + 1, true)[1])
end
say('quick fix: segnalle became segnale, no diagnostic')

-- The live preview through the set-up's :ScenarioPreview, the viewer
-- replaced by a look at the file it was given.
local opened
vim.ui.open = function(path) opened = path end
vim.cmd('ScenarioPreview')
local svg = opened and table.concat(vim.fn.readfile(opened, 'b'), '\n')
if not svg or not svg:find('<svg', 1, true) or not svg:find('VALDORA', 1, true) then
  fail('preview: ' .. tostring(opened))
end
say('preview: ' .. #svg .. ' bytes of SVG')

for _, client in pairs(vim.lsp.buf_get_clients(buf)) do
  vim.lsp.stop_client(client.id)
end
vim.wait(5000, function() return #vim.lsp.get_active_clients() == 0 end, 50)
vim.cmd('qall!')
