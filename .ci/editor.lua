-- Run by .ci/editor.sh inside headless Neovim: the built-in LSP client
-- starts `scenarioc lsp` on a train description that holds a mistake, and
-- this script reads the diagnostic back, asks for a hover, fixes the row and
-- waits for the diagnostic to go. Any failure ends Neovim with status 1.
local exe = os.getenv('SCENARIOC')
local file = os.getenv('TRAIN_TEXT')
local row = tonumber(os.getenv('MISTAKE_LINE')) - 1 -- 0-based, as the protocol counts

local function say(what) io.stdout:write(what .. '\n') end

local function fail(what)
  io.stderr:write('editor test: ' .. what .. '\n')
  vim.cmd('cquit 1')
end

vim.cmd('edit ' .. vim.fn.fnameescape(file))
local buf = vim.api.nvim_get_current_buf()
local config = { name = 'scenarioc', cmd = { exe, 'lsp' }, root_dir = vim.fn.fnamemodify(file, ':h') }
local client
if vim.lsp.start then -- Neovim 0.8 and later
  client = vim.lsp.start(config)
else
  client = vim.lsp.start_client(config)
  vim.lsp.buf_attach_client(buf, client)
end
if not client then fail('the client did not start') end

-- The diagnostic, on the row with the mistake.
if not vim.wait(20000, function() return #vim.diagnostic.get(buf) > 0 end, 50) then
  fail('no diagnostic arrived')
end
local d = vim.diagnostic.get(buf)[1]
local code = d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)
if code ~= 'error-16' then fail('diagnostic code ' .. tostring(code)) end
if d.lnum ~= row then fail('diagnostic on line ' .. d.lnum .. ', not ' .. row) end
if d.severity ~= vim.diagnostic.severity.ERROR then fail('not an error') end
say('diagnostic: line ' .. (d.lnum + 1) .. ': ' .. (d.message:gsub('\n.*', '')))

-- A hover on the row's position field: the row was refused, and the hover
-- says so and why instead of showing values the compiler never stored.
local params = { textDocument = vim.lsp.util.make_text_document_params(), position = { line = row, character = 13 } }
local replies = vim.lsp.buf_request_sync(buf, 'textDocument/hover', params, 10000) or {}
local hover
for _, reply in pairs(replies) do
  if reply.result then hover = reply.result.contents.value end
end
if not hover or not hover:find('segnale', 1, true) or not hover:find('Refused', 1, true)
    or not hover:find('error 16', 1, true) then
  fail('hover: ' .. tostring(hover))
end
say('hover: ' .. (hover:gsub('\n.*', '')))

-- Fixed in the buffer (not on disk): the diagnostic goes.
local text = vim.api.nvim_buf_get_lines(buf, row, row + 1, true)[1]
vim.api.nvim_buf_set_lines(buf, row, row + 1, true, { (text:gsub('1650', '4200', 1)) })
if not vim.wait(20000, function() return #vim.diagnostic.get(buf) == 0 end, 50) then
  fail('the diagnostic stayed after the fix')
end
say('fixed: no diagnostic')

vim.lsp.stop_client(client)
vim.wait(5000, function() return vim.lsp.get_client_by_id(client) == nil end, 50)
vim.cmd('qall!')
