#!/usr/bin/python
# Readdressing the cameras of one site from a plan.
from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
module: camera_address
short_description: Network identities of cameras from a plan, idempotent
description:
  - Checks the plan with C(zendrix-cli set-ip --csv --dry-run --format json), which refuses conflicts (an
    address twice, an address another camera keeps, a gateway outside the subnet) before anything is sent,
    then readdresses only the cameras whose identity differs from their row.
  - Check mode sends nothing and reports which cameras would change.
options:
  plan_csv:
    description: Path of a CSV plan on the site host, lines C(MAC,IP[,netmask,gateway,DNS,port,name]).
    type: path
  plan:
    description: The plan as a list; each item has C(mac) and C(ip), and may have C(netmask), C(gateway),
      C(dns), C(port) and C(name). Empty values keep the camera's.
    type: list
    elements: dict
extends_documentation_fragment:
  - zendrix.cameras.cli
author: Zendrix developers
'''

EXAMPLES = r'''
- name: Readdress from the site's plan
  zendrix.cameras.camera_address:
    plan:
      - {mac: "02:5A:25:00:00:01", ip: 192.168.1.20, gateway: 192.168.1.1}
    password: "{{ zendrix_password }}"
'''

RETURN = r'''
changed_cameras:
  description: Per MAC the fields that changed (or would), each with its old and new value.
  returned: always
  type: dict
commands:
  description: The command lines run (they never hold the password).
  returned: always
  type: list
'''

import csv
import os
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.zendrix.cameras.plugins.module_utils.zendrix import COMMON_ARGS, ZendrixCli

COLUMNS = ('mac', 'ip', 'netmask', 'gateway', 'dns', 'port', 'name')


def write_plan(rows):
    handle, path = tempfile.mkstemp(prefix='zendrix-plan-', suffix='.csv')
    with os.fdopen(handle, 'w') as out:
        writer = csv.writer(out, lineterminator='\n')
        for row in rows:
            writer.writerow(['' if row.get(key) is None else str(row.get(key)) for key in COLUMNS])
    return path


def differences(row):
    found = {}
    for key in ('ip', 'netmask', 'gateway', 'dns', 'port', 'name'):
        if str(row[key]) != str(row['old_' + key]):
            found[key] = dict(before=row['old_' + key], after=row[key])
    return found


def main():
    arguments = dict(COMMON_ARGS)
    arguments['plan_csv'] = dict(type='path')
    arguments['plan'] = dict(type='list', elements='dict')
    module = AnsibleModule(argument_spec=arguments, supports_check_mode=True,
                           mutually_exclusive=[['plan_csv', 'plan']], required_one_of=[['plan_csv', 'plan']])
    cli = ZendrixCli(module)
    written = []
    try:
        source = module.params['plan_csv']
        if module.params['plan'] is not None:
            source = write_plan(module.params['plan'])
            written.append(source)
        plan = cli.json(cli.argv('set-ip', '--csv', source, '--dry-run', '--format', 'json'),
                        'the plan was refused', login=False)
        changes = dict((row['mac'], differences(row)) for row in plan if differences(row))
        if changes and not module.check_mode:
            rows = [row for row in plan if row['mac'] in changes]
            subset = write_plan(rows)
            written.append(subset)
            argv = cli.argv('set-ip', '--csv', subset)
            rc, out, err = cli.run(argv)
            if rc != 0:
                cli.fail('readdressing failed', argv, rc, out, err)
    finally:
        for path in written:
            os.remove(path)
    result = dict(changed=bool(changes), changed_cameras=changes, commands=cli.commands)
    if module._diff:
        result['diff'] = [dict(before_header=mac, after_header=mac,
                               before=dict((k, v['before']) for k, v in fields.items()),
                               after=dict((k, v['after']) for k, v in fields.items()))
                          for mac, fields in sorted(changes.items())]
    module.exit_json(**result)


if __name__ == '__main__':
    main()
