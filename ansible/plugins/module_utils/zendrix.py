# Running zendrix-cli on the site host for the modules of this collection.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json

# The options every module takes: where the tool is, how it discovers, how it logs in.
COMMON_ARGS = dict(
    cli=dict(type='path', default='zendrix-cli'),
    iface=dict(type='list', elements='str', default=[]),
    wait=dict(type='float', default=3.0),
    user=dict(type='str', default='admin'),
    password=dict(type='str', required=True, no_log=True),
)

# Which cameras: every one found, or those named by MAC, IP or model.
TARGET_ARGS = dict(
    all=dict(type='bool', default=False),
    macs=dict(type='list', elements='str', default=[]),
    ips=dict(type='list', elements='str', default=[]),
    models=dict(type='list', elements='str', default=[]),
)


def target_options(params):
    options = ['--all'] if params['all'] else []
    for key, flag in (('macs', '--mac'), ('ips', '--ip'), ('models', '--model')):
        for value in params[key]:
            options += [flag, value]
    return options


class ZendrixCli(object):
    """One site's zendrix-cli; the password goes to its standard input."""

    def __init__(self, module):
        self.module = module
        self.params = module.params
        self.commands = []

    def argv(self, *command):
        argv = [self.params['cli']] + list(command)
        for iface in self.params['iface']:
            argv += ['--iface', iface]
        return argv + ['--wait', str(self.params['wait'])]

    def run(self, argv, login=True):
        if login:
            argv = argv + ['--user', self.params['user'], '--password-stdin']
        self.commands.append(argv)
        data = self.params['password'] if login else None
        return self.module.run_command(argv, data=data)

    def fail(self, message, argv, rc, out, err):
        self.module.fail_json(msg='%s: %s' % (message, err.strip() or 'exit status %d' % rc),
                              cmd=argv, rc=rc, stdout=out, stderr=err)

    def json(self, argv, message, login=True):
        """Runs a command that prints JSON; fails the module on a non-zero
        exit status or output that is not JSON."""
        rc, out, err = self.run(argv, login)
        if rc != 0:
            self.fail(message, argv, rc, out, err)
        try:
            return json.loads(out)
        except ValueError:
            self.fail(message + ' (no JSON)', argv, rc, out, err)
        return None
