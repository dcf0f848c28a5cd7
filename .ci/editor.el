;;; editor.el --- run by .ci/editor.sh in Emacs in batch mode  -*- lexical-binding: t -*-
;; The init file holds only what doc/editors.md says to write (loading
;; doc/editors/scenario.el). Opening a train description that holds a
;; mistake starts `scenarioc lsp' through eglot; this script reads the
;; diagnostic back, asks for a hover and the signature help of a value,
;; fixes the row, turns a keyword into a misspelt one and applies the quick
;; fix the server offers. Any failure ends Emacs with status 1.
;;
;; Batch mode has no command loop: where an interactive Emacs runs a hook
;; or an idle timer, this script calls it.
(require 'cl-lib)

(defun editor-fail (format-string &rest args)
  (message "editor test: %s" (apply #'format format-string args))
  (kill-emacs 1))

(defun editor-wait (predicate seconds)
  "Wait up to SECONDS for PREDICATE, reading the server's messages."
  (let ((end (+ (float-time) seconds)))
    (while (and (not (funcall predicate)) (< (float-time) end))
      (accept-process-output nil 0.05))
    (funcall predicate)))

(defun editor-code (diagnostic)
  (plist-get (alist-get 'eglot-lsp-diag (flymake-diagnostic-data diagnostic)) :code))

(defun editor-diagnostics (&optional code)
  (cl-remove-if-not (lambda (d) (or (null code) (equal (editor-code d) code)))
                    (flymake-diagnostics)))

(defun editor-changed ()
  "What eglot's and flymake's idle timers do after an edit."
  (eglot--signal-textDocument/didChange)
  (flymake-start nil t))

(defun editor-goto (line column)
  (goto-char (point-min))
  (forward-line line)
  (forward-char column))

(defun editor-line ()
  (buffer-substring-no-properties (line-beginning-position) (line-end-position)))

(let ((row (1- (string-to-number (getenv "MISTAKE_LINE")))))
  (find-file (getenv "TRAIN_TEXT"))
  (unless (eq major-mode 'scenario-mode) (editor-fail "the set-up did not make the text a scenario"))
  (unless (eq buffer-file-coding-system 'windows-1252-dos)
    (editor-fail "coding system %s" buffer-file-coding-system))
  ;; eglot-ensure connects once the command that opened the file is over.
  (run-hooks 'post-command-hook)
  (unless (editor-wait (lambda () (bound-and-true-p eglot--managed-mode)) 20)
    (editor-fail "eglot did not start scenarioc lsp"))
  (flymake-start nil t)

  ;; The diagnostic, on the row with the mistake.
  (unless (editor-wait (lambda () (editor-diagnostics "error-16")) 20)
    (editor-fail "no error-16 diagnostic: %S" (flymake-diagnostics)))
  (let ((d (car (editor-diagnostics "error-16"))))
    (unless (= (1- (line-number-at-pos (flymake-diagnostic-beg d))) row)
      (editor-fail "diagnostic on line %d, not %d" (line-number-at-pos (flymake-diagnostic-beg d)) (1+ row)))
    (message "diagnostic: line %d: %s" (1+ row) (car (split-string (flymake-diagnostic-text d) "\n"))))

  ;; A hover and the signature help on the row's position field.
  (editor-goto row 13)
  (let* ((server (eglot--current-server-or-lose))
         (hover (jsonrpc-request server :textDocument/hover (eglot--TextDocumentPositionParams)))
         (text (plist-get (plist-get hover :contents) :value)))
    (unless (and text (string-search "segnale" text) (string-search "Refused" text)
                 (string-search "error 16" text))
      (editor-fail "hover: %S" hover))
    (message "hover: %s" (car (split-string text "\n")))
    (let* ((help (jsonrpc-request server :textDocument/signatureHelp (eglot--TextDocumentPositionParams)))
           (signature (and help (aref (plist-get help :signatures) (or (plist-get help :activeSignature) 0))))
           (active (and signature (or (plist-get signature :activeParameter) (plist-get help :activeParameter))))
           (parameter (and active (aref (plist-get signature :parameters) active)))
           (label (and parameter (plist-get parameter :label)))
           (name (if (stringp label) label
                   (and label (substring (plist-get signature :label) (aref label 0) (aref label 1))))))
      (unless (and name (string-search "segnale" (plist-get signature :label)) (equal "position" name))
        (editor-fail "signature help: %S" help))
      (message "signature help: %s, value %s" (plist-get signature :label) name)))

  ;; Fixed in the buffer (not on disk): the diagnostic goes.
  (editor-goto row 0)
  (unless (re-search-forward "1650" (line-end-position) t) (editor-fail "no 1650 on the row"))
  (replace-match "4200")
  (editor-changed)
  (unless (editor-wait (lambda () (null (editor-diagnostics))) 20)
    (editor-fail "the diagnostic stayed after the fix: %S" (flymake-diagnostics)))
  (message "fixed: no diagnostic")

  ;; A misspelt keyword, and the quick fix the server offers for it, applied
  ;; as M-x eglot-code-actions applies the one action there is.
  (editor-goto row 0)
  (let ((sound (editor-line)))
    (unless (looking-at "segnale") (editor-fail "the row is %s" sound))
    (replace-match "segnalle")
    (editor-changed)
    (unless (editor-wait (lambda () (editor-diagnostics "unknown-keyword")) 20)
      (editor-fail "no unknown-keyword warning for segnalle: %S" (flymake-diagnostics)))
    (editor-goto row 2)
    (eglot-code-actions (line-beginning-position) (line-end-position) "quickfix" t)
    (editor-changed)
    (editor-goto row 0)
    (unless (equal (editor-line) sound) (editor-fail "the quick fix left %s" (editor-line)))
    (unless (editor-wait (lambda () (null (editor-diagnostics))) 20)
      (editor-fail "diagnostics after the quick fix: %S" (flymake-diagnostics)))
    (message "quick fix: segnalle became segnale, no diagnostic"))

  (eglot-shutdown (eglot--current-server-or-lose))
  (set-buffer-modified-p nil)
  (kill-emacs 0))
